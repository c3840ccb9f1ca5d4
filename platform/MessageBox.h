#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>

// Modal message boxes with the system's flag words: the buttons in the low four
// bits, the icon in the next four, the default button above them, and the
// top-most bit. The answer is the number of the button pressed.
namespace MessageBox {

inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
inline constexpr int MB_TOPMOST = 0x40000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// One box as it was asked for.
struct Request {
    QString sText;
    QString sCaption;
    int iFlags = 0;
};

// Shows the box modally over the active window and gives back the button pressed;
// a box closed with Escape answers as its cancel or No button would, an OK box IDOK.
// The text is plain, never markup, and cut where it could not fit on a screen. The box belongs to no window,
// so a window that goes while the box is open cannot take the box with it: the caller finds out after the
// answer whether its window is still there.
int Show(const QString& sText, const QString& sCaption, int iFlags);

// The boxes of Show whose loops run now.
int OpenLoops();
// Runs done once no box of Show is open any more, now when none is; nothing when
// the context is gone by then. A window that something frees under a box waits here,
// so the code that waits for the box's answer never runs on a freed window.
void WhenNoBoxOpen(QObject* context, std::function<void()> done);

// Distinct warnings of one kind that wait behind its open box; a flood past them
// is only counted, so no peer can queue boxes without end.
inline constexpr std::size_t UnstackedWaitingMax = 8;

// A warning that needs no answer, raised by what arrives from the network: it runs
// no loop of its own while the program's loop runs, so the event that raised it
// returns at once and the program keeps receiving. At most one box of a kind is
// open: another of that kind with the same text is counted into it, one with a
// different text waits until the open one is closed. Where no loop runs (the
// program's end) it is shown as Show shows a box.
void ShowUnstacked(const QString& sKind, const QString& sText, const QString& sCaption, int iFlags);
// As above; once the box that the warning went into has been answered, answered
// runs (at once where an answerer answers), unless owner is gone by then. An owner
// has one answered per box however many of its warnings go into it: the last one.
void ShowUnstacked(const QString& sKind, const QString& sText, const QString& sCaption, int iFlags,
                   QObject* owner, std::function<void()> answered);
// The warnings of the kind counted into the open or waiting ones since the kind's
// first box opened; 0 when no box of the kind is open.
int UnstackedCounted(const QString& sKind);
// What waits for the answers of the kind's open and waiting boxes.
int UnstackedAnswersKept(const QString& sKind);

// Tests answer boxes here in place of a user: while an answerer is set, Show asks
// it and shows nothing. Pass an empty function to show real boxes again.
using Answerer = std::function<int(const Request&)>;
void SetAnswerer(Answerer answerer);

} // namespace MessageBox
