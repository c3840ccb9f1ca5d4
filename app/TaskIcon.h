#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

class QSystemTrayIcon;

// The tray strip: 33 images. 0 empty, 1 the mark in colour, 2..16 its meteor
// frames, 17 the mark in grey, 18..32 the grey frames.
inline constexpr int TaskIconCount = 33;
inline constexpr int TaskIconOnline = 1;
inline constexpr int TaskIconOffline = 17;
inline constexpr int TaskIconTipLength = 64;
inline const QString TaskIconTip = QStringLiteral("Parvane 2");

// The still icon of the user's state: coloured only while logged in and not away.
int TaskStateIcon(bool bLoginStates, bool bAbsence);

// One tick of the 50 ms tray animation: advances the frame counter iTag for the
// animation kind (1 blink, 2 meteor, anything else none) and gives the image.
int TaskAnimationTick(int iKind, int& iTag, bool bLoginStates, bool bAbsence);

// What the tray shows, kept between calls as the tray record is.
struct TTaskIconData {
    bool bAdded = false;
    QString sTip;
    int iIconIndex = -1;
};
inline TTaskIconData TaskIconData;

// The tray icon object that TaskIconSet drives; the main window owns it.
inline QSystemTrayIcon* TaskIcon = nullptr;

// Adds or changes the tray icon (Show) or removes it; the tip is cut to 64 characters.
void TaskIconSet(bool Show, const QString& Tip, int IconIndex);
