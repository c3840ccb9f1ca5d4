#pragma once

#include <QEvent>
#include <QObject>

// Window handles and synchronous window messages between the program's own
// windows. A handle is a number given to a window once and never given again,
// so a handle kept after its window has gone names nothing; a message to it is
// dropped.
namespace WindowMessage {

using HWND = quintptr;
using WPARAM = quintptr;
using LPARAM = qintptr;

inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_APP = 0x8000;

// The event a window receives for a message; it sets Result when it has handled it.
class Event : public QEvent {
public:
    Event(unsigned uMsg, WPARAM wParam, LPARAM lParam);
    static QEvent::Type EventType();

    unsigned Msg;
    WPARAM wParam;
    LPARAM lParam;
    qintptr Result = 0;
};

// The window's handle, given on the first call.
HWND HandleOf(QObject* window);
// The window of a handle; nullptr when it never named one or its window is gone.
QObject* WindowOf(HWND hWindow);
// A window about to be destroyed stops receiving messages at once.
void Forget(HWND hWindow);

// Delivers the message before it returns and gives back the window's Result;
// 0 when the handle names no window.
qintptr Send(HWND hWindow, unsigned uMsg, WPARAM wParam, LPARAM lParam);

} // namespace WindowMessage
