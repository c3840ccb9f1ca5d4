#pragma once

#include "IniFile.h"
#include "NoticeRules.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>

// The program's settings: the file names, one process-wide variable per [Option]
// key (named after the key, of the key's type), the view flags of the other
// windows, and the routines that read them at start and write them back in their
// stored form. The variables start at their defaults: the value given here is
// the one a missing [Option] key reads as. The ports start at False, 0 and 0,
// which is what they keep when the command line gives the ports.

// ---- Files

// The program's folder, ending with "/"; tests point it at a folder of their own.
inline QString ProgramDirectory;
// The user name in multi-user mode, else empty.
inline QString WindowsUserName;
// The settings and log files' full path without extension.
inline QString FileBaseName;

inline const QString SettingsBaseName = QStringLiteral("Parvane2");
inline const QString SettingsExtension = QStringLiteral(".INI");
inline const QString LogExtension = QStringLiteral(".LOG");

// ---- Sections and keys shared by several readers and writers

inline const QString SectionAllUsers = QStringLiteral("AllUsers");
inline const QString SectionOption = QStringLiteral("Option");
inline const QString SectionMainWindow = QStringLiteral("MainWindow");
inline const QString SectionUpdateWindow = QStringLiteral("UpdateWindow");
inline const QString SectionRequestWindow = QStringLiteral("RequestWindow");
inline const QString SectionDonationWindow = QStringLiteral("DonationWindow");
inline const QString SectionSendWindow = QStringLiteral("SendWindow");
inline const QString SectionRecvWindow = QStringLiteral("RecvWindow");
inline const QString SectionAbsenceWindow = QStringLiteral("AbsenceWindow");
inline const QString SectionChatWindow = QStringLiteral("ChatWindow");
inline const QString SectionGlobalChatWindow = QStringLiteral("GlobalChatWindow");
inline const QString SectionLogWindow = QStringLiteral("LogWindow");
inline const QString SectionFileSendWindow = QStringLiteral("FileSendWindow");
inline const QString SectionFileRecvWindow = QStringLiteral("FileRecvWindow");

// The view flags of a window kind's section.
inline const QString KeyShowHeader = QStringLiteral("ShowHeader");
inline const QString KeyShowSend = QStringLiteral("ShowSend");
inline const QString KeyShowStatus = QStringLiteral("ShowStatus");

// The main window's bars, read at start and written by the window when one is toggled.
inline const QString KeyMenuBarHide = QStringLiteral("CustomizeMenuBarHide");
inline const QString KeyToolBarHide = QStringLiteral("CustomizeToolBarHide");
inline const QString KeyStatusBarHide = QStringLiteral("CustomizeStatusBarHide");

// ---- [Option]

inline QString HandleName;
inline bool CustomizeTaskTray = false;
inline bool CustomizeTaskBar = false;
inline bool CustomizeAutoRecv = false;
inline bool CustomizeAutoRecvAbsence = false;
inline bool CustomizeReplyHide = false;
inline bool CustomizeSendHide = false;
inline bool CustomizeRecvWithMessage = false;
inline bool CustomizeLetter = false;
inline bool CustomizeChatLocate = false;
inline bool CustomizeIME = false;
inline bool CustomizeLog = true;
inline bool CustomizeReloginMessage = true;
inline bool CustomizeEnd = true;
// CustomizeSecurityData lives in the engine's Security, not in a variable.
inline int CustomizeHotKey1 = 49229; // Ctrl+Alt+M
inline int CustomizeHotKey2 = 49235; // Ctrl+Alt+S
inline int CustomizeHotKey3 = 49234; // Ctrl+Alt+R
inline int CustomizeHotKey4 = 49222; // Ctrl+Alt+F
inline int CustomizeHotKey5 = 49228; // Ctrl+Alt+L
inline constexpr int HotKeyCount = 5;
inline bool CustomizeStartLogin = true;
inline bool CustomizeStartFormHide = false;
inline bool CustomizeStartVersionCheck = true;
inline bool CustomizeShowTopMost = false;
inline bool CustomizeAlpha = false;
inline bool CustomizeAlphaBar = true;
// Where a received file is proposed to go (CustomizeFileSave).
inline constexpr int FileSaveProgramFolder = 0;
inline constexpr int FileSaveLastFolder = 1;
inline constexpr int FileSaveSetFolder = 2;
inline int CustomizeFileSave = FileSaveProgramFolder;
inline QString CustomizeFileSaveSetPath;
inline bool CustomizeTaskHideLog = false;
inline bool CustomizeTaskHideSend = false;
inline bool CustomizeTaskHideFileSend = false;
inline bool CustomizeTaskHideChat = false;
inline bool CustomizeTaskHideGlobalChat = false;
inline bool CustomizeTaskHideAbsence = false;
inline bool SecurityFileRecvCancel = false;
inline bool SecurityFileRecvCancelAbsence = false;
inline bool SecurityLetter = false;
inline QString SecurityLetterPassword; // plain text; the file holds it scrambled twice
inline bool SecurityOption = false;
inline QString SecurityOptionPassword;
inline bool SecurityLog = false;
inline QString SecurityLogPassword;
inline int CustomizeSoundKind = 0;
inline constexpr int SoundFileCount = 8;
inline std::array<QString, SoundFileCount> CustomizeSoundFile;
inline int AnimationMouse = 1;
inline int AnimationTaskTrayIcon = 1;
inline bool NoticeLogin = true;
inline bool NoticeLogout = true;
inline bool NoticeChatLogin = true;
inline bool NoticeChatLoginAnytime = true;
inline bool NoticeChatLogout = true;
inline bool NoticeChatLogoutAnytime = true;
inline bool NoticeAbsence = true;
inline bool NoticeNonAbsence = true;
inline bool NoticeRecv = true;
inline bool NoticeMessageOpen = true;
inline int NoticePosition = npBottomRight;
inline bool NoticeAutoClose = true;
inline bool NoticeAutoCloseAbsenceCancel = false;
inline bool NoticeAbsenceHide = true;
inline bool NetworkPort = false;
inline int NetworkPortNo = 0;
inline int NetworkFTPPortNo = 0;
inline bool CustomizeMenuBarHide = false;
inline bool CustomizeToolBarHide = false;
inline bool CustomizeStatusBarHide = false;

// The ports below this one are the system's; the largest is TParvaneNetwork::MaximumPortNo.
inline constexpr int MinimumPortNo = 1024;

// ---- Away kinds

struct TAbsenceMessageSub {
    QString sTitle;
    QString sMessage; // line breaks as CR LF
};
inline constexpr int AbsenceMessageCount = 100;
using TAbsenceMessage = std::array<TAbsenceMessageSub, AbsenceMessageCount>;
// Used up to the first entry with an empty title.
inline TAbsenceMessage AbsenceMessage;

// ---- View flags of the other windows, shared by every window of a kind

inline bool SendWindowShowHeader = true;
inline bool SendWindowShowSend = true;
inline bool SendWindowShowStatus = true;
inline bool RecvWindowShowHeader = true;
inline bool RecvWindowShowSend = true;
inline bool RecvWindowShowStatus = true;
inline bool AbsenceWindowShowHeader = true;
inline bool AbsenceWindowShowSend = true;
inline bool AbsenceWindowShowStatus = true;
inline bool ChatWindowShowHeader = true;
inline bool ChatWindowShowSend = true;
inline bool ChatWindowShowStatus = true;
inline bool GlobalChatWindowShowHeader = true;
inline bool GlobalChatWindowShowStatus = true;
inline bool LogWindowShowHeader = true;
inline bool LogWindowShowStatus = true;
inline bool FileSendWindowShowHeader = true;
inline bool FileSendWindowShowSend = true;
inline bool FileSendWindowShowStatus = true;
inline bool FileRecvWindowShowHeader = true;
inline bool FileRecvWindowShowSend = true;
inline bool FileRecvWindowShowStatus = true;

// ---- File names

// sApplicationDir with "/" appended unless it ends with one.
QString ProgramDirectoryOf(const QString& sApplicationDir);
// ProgramDirectory + "Parvane2.INI": [AllUsers] lives here whatever the mode.
QString SharedSettingsFileName();
// ProgramDirectory + "Parvane2", or + "Parvane2 -" + user + "-" in multi-user mode.
QString FileBaseNameFor(bool bMultiUser, const QString& sUserName);
// FileBaseName + ".INI".
QString SettingsFileName();
// The user name that multi-user mode takes from the login name: empty beyond 255
// characters, where the system's user-name call fails.
QString MultiUserNameOf(const QString& sLoginName);
// Reads [AllUsers] MultiUser from the shared file and sets WindowsUserName and
// FileBaseName; the user name is used only in multi-user mode.
void SettingsLocate(const QString& sLoginName);
// Records the mode in the shared file; false when the write failed.
bool SettingsWriteMultiUser(bool bMultiUser);

// The [Option] key a setting's variable is stored under (CustomizeLog for
// &CustomizeLog); empty for a variable that is not one of the key table's.
QString OptionKeyName(const void* pVariable);

// ---- Stored forms

// The stored text of a password: the engine's scrambling applied twice.
QString PasswordStoredForm(const QString& sPlain);
// The plain text of a stored password; empty when it does not unscramble.
QString PasswordFromStoredForm(const QString& sStored);
// An away message in the file: every line break as "&|".
QString AbsenceMessageStoredForm(const QString& sMessage);
QString AbsenceMessageFromStoredForm(const QString& sStored);
// "yyyy/mm/dd", compared as text with [UpdateWindow] LastCheck.
QString LastCheckText(const QDate& date);

// ---- Reading at start, each part at its place in the main window's start-up

// NetworkPort, NetworkPortNo and NetworkFTPPortNo; only when no ports were given.
void SettingsReadPorts(const IniFile& ini);
// The three bar keys of the main window.
void SettingsReadBars(const IniFile& ini);
// ShowHeader, ShowSend and ShowStatus of the other windows' sections.
void SettingsReadViewFlags(const IniFile& ini);
// HandleName (default sMachineName) and every remaining [Option] key but the
// extra addresses and the away kinds; gives back CustomizeSecurityData.
bool SettingsReadOption(const IniFile& ini, const QString& sMachineName);
// The engine's BroadcastIP: the plain NetworkBroadcast key when it is not empty,
// else NetworkBroadcast0, 1, ... up to the first empty one, joined with "&|".
QString SettingsReadBroadcastIP(const IniFile& ini);
// The 100 away kinds into AbsenceMessage; the three default kinds when
// Absence-Title0 is missing altogether (in memory only).
void SettingsReadAbsence(const IniFile& ini);
// [UpdateWindow] LastCheck, empty when missing.
QString SettingsReadLastCheck(const IniFile& ini);

// ---- Writing

// The [Option] section in one pass, in the order of its keys: the variables, the
// engine's scrambling flag, the 100 away kinds, the extra addresses (then the
// two keys after them deleted) and, when bWritePorts, the three port keys. The
// bar keys are not written. Stops at the first failed key; false then. One
// writing pass: the file is saved once, and a failed save also gives false.
bool SettingsWriteOption(IniFile& ini, bool bSecurityData, const QStringList& slBroadcastIP,
                         bool bWritePorts);
// NetworkBroadcast0 .. n-1, then NetworkBroadcast + n and the plain key deleted.
bool SettingsWriteBroadcastIP(IniFile& ini, const QStringList& slBroadcastIP);
bool SettingsWriteAbsence(IniFile& ini);
bool SettingsWriteLastCheck(IniFile& ini, const QDate& date);
