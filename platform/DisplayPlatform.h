#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The window system the program asks Qt for. The notices at the corners of the
// work area, the animations at the pointer and the global hot keys need a system
// that lets a program place its windows, read the pointer and grab keys; Wayland
// does not. Where a Wayland session also offers X11 (XWayland), the program runs
// on X11, unless the user chose a platform.

// What of the process's environment decides it.
struct TDisplayEnvironment {
    QString sQpaPlatform;    // QT_QPA_PLATFORM
    QString sWaylandDisplay; // WAYLAND_DISPLAY
    QString sDisplay;        // DISPLAY
    QString sSessionType;    // XDG_SESSION_TYPE
};

TDisplayEnvironment DisplayEnvironmentOfProcess();

// "xcb" where the program should ask for X11; empty where Qt's own choice stands:
// not a Wayland session, no X11 display, or a platform given in QT_QPA_PLATFORM or
// with "-platform" among the arguments (the program's name first).
QByteArray DisplayPlatformChoice(const TDisplayEnvironment& environment, const QStringList& slArguments);
