#pragma once

#include <QDialog>
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
