#pragma once

// A click of the user on a web view's page, sent to the widget inside the view
// that takes the engine's input: a press and a release at a point of the page.
#include "WebBrowserSp.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace TestSupport {

// False when the engine has not made its input widget yet.
inline bool PageClick(TWebBrowserSp* browser, const QPoint& at, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget* inner = browser->View() != nullptr ? browser->View()->focusProxy() : nullptr;
    if (inner == nullptr)
        return false;
    QMouseEvent press(QEvent::MouseButtonPress, at, inner->mapToGlobal(at), button, button, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, inner->mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(inner, &press);
    QCoreApplication::sendEvent(inner, &release);
    return true;
}

} // namespace TestSupport
