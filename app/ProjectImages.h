#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The program's own images, drawn in code so they scale with nothing but a painter:
// the tray strip, the user-list marks and the tool-bar pictures, all 16 x 16.
namespace ProjectImages {

inline constexpr int ImageSize = 16;

// The 33 tray images side by side, 528 x 16.
QPixmap TaskIconStrip();
QIcon TaskIconImage(int iIndex);

// The ten images of the user list: 0 unknown client, 1/2 older versions in colour
// and grey, 3..7 the sibling clients, 8/9 this program's mark in colour and grey.
QList<QIcon> LoginUserImages();

// The nine tool-bar images: send, received, away request, (unused), file,
// chat, away, log, web chat; and their disabled look.
QList<QIcon> ToolbarImages();
enum TToolbarImage {
    ToolbarSend = 0,
    ToolbarRecv = 1,
    ToolbarAbsenceRequest = 2,
    ToolbarFileSend = 4,
    ToolbarChat = 5,
    ToolbarAbsence = 6,
    ToolbarLog = 7,
    ToolbarGlobalChat = 8
};
QPixmap ToolbarDisabledImage(int iIndex);

// The program's mark at 32 x 32, with its alpha, for the pop-up notice.
QPixmap NoticeIconImage();

// The options window's: its pages' header picture (a sheet with a cog), the
// sound rows' play button (a speaker) and the browse buttons (a magnifying glass).
QPixmap OptionHeaderImage();
QIcon SoundButtonImage();
QIcon SearchButtonImage();

} // namespace ProjectImages
