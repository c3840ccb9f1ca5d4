#pragma once

// The process-wide values and the routines that the program's windows share.

#include "MessageBox.h"
#include "Settings.h"
#include "WindowMessage.h"

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>

class QObject;
#include <optional>

class QWidget;

using WindowMessage::HWND;
using WindowMessage::LPARAM;
using WindowMessage::WPARAM;

// A peer as the windows name it: the handle name shown, and the machine name and
// application identifier that together identify it. Routines that take a peer
// take this struct, so no call can swap two of its strings.
struct TPeer {
    QString HandleName;
    QString MachineName;
    QString Discrimination;
    bool operator==(const TPeer&) const = default;
};

// ---- Texts shared by several windows

inline const QString ApplicationTitle = QStringLiteral("Parvane 2");
inline const QString WrongPasswordText = QStringLiteral("パスワードが違います。");
inline const QString SettingsSaveErrorText =
    QStringLiteral("設定を保存することができませんでした。設定ファイルが読み込み専用になっていないか、"
                   "ロックされていないかを確認してください。");

// "<sWhere>に「<sequence>」を含めることはできません。" for the first of the engine's
// forbidden sequences that sText holds (sWhere such as "メッセージ内"); nullopt when none.
std::optional<QString> ForbiddenSequenceRefusal(const QString& sText, const QString& sWhere);

// The title of the away kind chosen last; empty at start, when the user is not away.
inline QString CurrentAbsenceTitle;

// ---- The application's private window messages

using WindowMessage::WM_APP;
using WindowMessage::WM_CLOSE;
// wParam 4: take the slider position in lParam; wParam 0: re-apply the own position.
inline constexpr unsigned WM_ALPHABLENDSET = WM_APP + 100;
// Re-apply the kind's header and status visibility flags.
inline constexpr unsigned WM_PANELVISIBLESET = WM_APP + 101;
inline constexpr unsigned WM_FILESENDSTART = WM_APP + 104;
// lParam: percent sent.
inline constexpr unsigned WM_FILESENDING = WM_APP + 105;
inline constexpr unsigned WM_FILESENDEND = WM_APP + 106;
// lParam: the engine's send error code; 2 closes the window without a message.
inline constexpr unsigned WM_ERRORFILESEND = WM_APP + 107;
// lParam: percent received.
inline constexpr unsigned WM_FILERECVING = WM_APP + 108;
inline constexpr unsigned WM_FILERECVEND = WM_APP + 109;
// lParam: the engine's receive error code; 1 closes the window without a message.
inline constexpr unsigned WM_ERRORFILERECV = WM_APP + 110;
// wParam: the transfer's new socket number.
inline constexpr unsigned WM_FILESENDSOCKETCHANGE = WM_APP + 111;

inline constexpr WPARAM AlphaBlendSetPosition = 4;
inline constexpr WPARAM AlphaBlendSetReapply = 0;

// Delivered before it returns; a handle that names no window any more is dropped.
qintptr SendMessageW(HWND hWindow, unsigned uMsg, WPARAM wParam, LPARAM lParam);

// ---- Window registries of the kinds that can be open several at once, in the
// order of creation. Send and away-message entries are the window handle in
// decimal; file-window entries are the handle, "&|", the transfer's socket
// number (0 while the window has none) and "&|".

inline QStringList SendWindowList;
inline QStringList AbsenceWindowList;
inline QStringList FileSendWindowList;
inline QStringList FileRecvWindowList;

QString WindowListEntry(HWND hWindow);
QString FileWindowListEntry(HWND hWindow, int iSocketNo);
// What follows the handle in a file-window entry: "&|", the socket number, "&|".
QString FileWindowEntrySuffix(int iSocketNo);
// Field 0 of an entry; 0 when it is not a number.
HWND WindowListHandle(const QString& sEntry);
// Field 1 of a file-window entry; -1 when it is not a number.
int WindowListSocket(const QString& sEntry);
// Removes the first entry whose window handle is hWindow.
void WindowListRemove(QStringList& slList, HWND hWindow);
// The window of the first entry that holds the socket; 0 when none does. Socket 0
// stands for "no transfer", so no event finds a window by it.
HWND FileWindowFind(const QStringList& slList, int iSocketNo);
// Rewrites the window's own entry with the socket (0 once its transfer has ended).
void FileWindowSocketSet(QStringList& slList, HWND hWindow, int iSocketNo);
// Moves the entry of the old socket to the new one and gives back its window; 0 when none held it.
HWND FileWindowSocketChange(QStringList& slList, int iOldSocketNo, int iNewSocketNo);

// ---- Message boxes

// Shows a modal box; top-most when CustomizeShowTopMost is on. Gives back the
// button pressed (IDYES 6, IDNO 7, IDOK 1). The program always passes ApplicationTitle.
int MessageBoxShow(const QString& sText, const QString& sCaption, int iFlags);
// A question answered yes or no; in YesNoQuestionNoDefault, No is the button Enter presses.
inline constexpr int YesNoQuestion = MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION;
inline constexpr int YesNoQuestionNoDefault = YesNoQuestion | MessageBox::MB_DEFBUTTON2;
// Asks under ApplicationTitle; true when the user answers yes.
bool AskYes(const QString& sText, int iFlags = YesNoQuestion);
// A warning raised from an engine event, which must not wait for the user there:
// one box of each kind at most, as MessageBox::ShowUnstacked says; top-most as above.
// With an owner, answered runs once the box is answered, while the owner is there.
void WarningShow(const QString& sKind, const QString& sText, int iFlags, QObject* owner = nullptr,
                 std::function<void()> answered = {});
// The warning that a settings write failed.
void SettingsSaveErrorShow();

// ---- Small window routines

// Brings the window to the front even while another program is active.
void WindowForeground(QWidget* hWindow);
void WindowForeground(HWND hWindow);
// The window keeps only its close command: it can no longer be resized, minimised or maximised.
void SystemMenuTrim(QWidget* hWindow);

inline constexpr unsigned MOD_ALT = 1;
inline constexpr unsigned MOD_CONTROL = 2;
inline constexpr unsigned MOD_SHIFT = 4;
// The modifier bits of a shortcut value (0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt)
// as hot-key modifiers; the key itself is the low byte.
unsigned ShortCutToHotKeyModifiers(quint16 ShortCut);

// A bitmap of the program's resources by its name, such as "HEADER_ICON_SEND".
QPixmap BitmapResource(const QString& sName);
