#pragma once

#include "WaitUntil.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTimer>
#include <functional>

// Runs fn once the dialog that is about to be executed shows.
inline void WhileShowing(const std::function<void()>& fn)
{
    QTimer::singleShot(0, fn);
}

// What a dialog showed of itself while it was open.
struct Seen {
    bool Open = false;
    bool HasHandle = false;
    bool OnTop = false;
};

template <class Dialog>
Seen ExecuteAndClose(Dialog& dialog, const std::function<bool()>& execute, bool& bResult)
{
    Seen seen;
    WhileShowing([&] {
        seen.Open = dialog.DialogOpen();
        seen.HasHandle = dialog.DialogHandle() == &dialog;
        seen.OnTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialog.reject();
    });
    bResult = execute();
    return seen;
}

// Where the keyboard sends a key now: an open pop-up list takes every key, as on a desktop.
inline QWidget* KeyboardTarget()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
    return QApplication::focusWidget();
}

inline void PressKey(int iKey, const QString& sText = QString())
{
    QWidget* target = KeyboardTarget();
    if (target == nullptr)
        return;
    QKeyEvent press(QEvent::KeyPress, iKey, Qt::NoModifier, sText);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, iKey, Qt::NoModifier, sText);
    QApplication::sendEvent(target, &release);
}

// The program's windows that are on screen besides the one given.
inline QStringList VisibleWindowsBut(const QWidget* pKept)
{
    QStringList slShown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != pKept && w->isVisible())
            slShown << QString::fromLatin1(w->metaObject()->className());
    }
    return slShown;
}

// Types sTyped into the dialog's name edit key by key and, once the completion
// list shows, takes its first suggestion with Down and Return; Return again while
// the dialog is still open, as a user confirms the name. True when the list showed.
inline bool TakeSuggestion(QDialog& dialog, const QString& sTyped)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr)
        return false;
    // The suggestions come from the folder's listing, which is read on a thread of its own.
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    TestSupport::WaitUntil([&] { return list != nullptr && list->model()->rowCount(list->rootIndex()) > 0; },
                           5000);
    edit->activateWindow();
    edit->setFocus();
    TestSupport::WaitUntil([&] { return QApplication::focusWidget() == edit; }, 5000);
    for (const QChar c : sTyped)
        PressKey(c.toUpper().unicode(), QString(c));
    const bool bListed =
        TestSupport::WaitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 5000);
    PressKey(Qt::Key_Down);
    PressKey(Qt::Key_Return);
    if (dialog.isVisible())
        PressKey(Qt::Key_Return);
    if (dialog.isVisible())
        dialog.reject();
    return bListed;
}
