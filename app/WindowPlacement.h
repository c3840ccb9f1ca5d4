#pragma once

// Where the program's windows open and stay: the rules of placement, kept apart
// so they can be checked without a window, and a window's place and size in its
// section of the settings file, shared by the auxiliary windows and the main window.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class IniFile;
class QWidget;

// Centred on the primary screen, halves rounded toward zero.
QPoint CentredPosition(const QSize& clientSize, const QRect& primaryScreen);
// A window whose top edge shows on no screen (so it could not be grabbed) is moved
// into the nearest screen; a window that shows is left where it is.
QRect PlacementOnScreens(const QRect& frame, const QList<QRect>& screens);
// Where a window of the given frame goes to stay on the monitor: its left and top
// edges first, then the right and bottom of the work area, which win.
QPoint HoldOnMonitor(QRect frame, const QRect& monitor, const QRect& workArea);
// The same hold once more when the window manager has drawn the window's frame, for
// a window placed before it showed, whose frame could then only be guessed.
void HoldOnMonitorWhenFramed(QWidget* window, const QRect& monitor, const QRect& workArea);

// Where a window opens: the place and size of its frame as the section holds
// them, or, when no size is stored, the design size for its client area.
struct TWindowPlacement {
    QRect frame;
    bool bDesignSize = false; // frame.size() is the client's design size
};
// Left, Top, Width and Height of the section: centred at the design size by
// default, a size of nothing taken as the design size, no larger than all
// screens together, and pulled onto a screen when its top edge shows on none.
TWindowPlacement WindowPlacementRead(const IniFile& ini, const QString& sSection, const QSize& designSize);
// Applies what WindowPlacementRead gave. A stored size is the frame's, so the
// client is that less the frame, which the window manager may make known only
// once the window shows: the size is corrected then.
void WindowPlacementApply(QWidget* window, const TWindowPlacement& placement);
// Writes the four keys, the frame's place and size; a minimised or maximised
// window keeps the place it comes back to.
bool WindowPlacementWrite(IniFile& ini, const QString& sSection, const QWidget* window);
// The layouts give a minimum size of the whole window, drawn for a desktop whose
// frame adds WindowLayoutFrame to the client area; Qt bounds the client area, so
// the client's minimum is that less this frame, whatever frame is drawn here.
inline const QSize WindowLayoutFrame(16, 38);
void WindowMinimumSizeSet(QWidget* window, const QSize& minimumWindowSize);
