#include "WindowManager.h"

#include <QWidget>

namespace WindowManager {

void BringToFront(QWidget* window)
{
    if (window == nullptr)
        return;
    window->raise();
    window->activateWindow();
}

void KeepOnlyClose(QWidget* window)
{
    if (window == nullptr)
        return;
    // Changing the flags of a shown window hides it; show it again where it was.
    const bool wasVisible = window->isVisible();
    window->setWindowFlags(
        (window->windowFlags() &
         ~(Qt::WindowMinMaxButtonsHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) |
        Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window->setFixedSize(window->size());
    if (wasVisible)
        window->show();
}

} // namespace WindowManager
