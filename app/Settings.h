#pragma once

#include "IniFile.h"

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

// Each setting's key and its default are one row of the key table (Settings.cpp);
// until the file is read, every variable holds its default.
inline QString HandleName;
inline bool CustomizeTaskTray;
inline bool CustomizeTaskBar;
inline bool CustomizeAutoRecv;
inline bool CustomizeAutoRecvAbsence;
inline bool CustomizeReplyHide;
inline bool CustomizeSendHide;
inline bool CustomizeRecvWithMessage;
inline bool CustomizeLetter;
inline bool CustomizeChatLocate;
inline bool CustomizeIME;
inline bool CustomizeLog;
inline bool CustomizeReloginMessage;
inline bool CustomizeEnd;
// The engine scrambles what it sends while this is on: the main window hands it
// over at the start and at every apply of the options.
inline bool CustomizeSecurityData;
inline int CustomizeHotKey1;
inline int CustomizeHotKey2;
inline int CustomizeHotKey3;
inline int CustomizeHotKey4;
inline int CustomizeHotKey5;
inline constexpr int HotKeyCount = 5;
inline bool CustomizeStartLogin;
inline bool CustomizeStartFormHide;
inline bool CustomizeStartVersionCheck;
inline bool CustomizeShowTopMost;
inline bool CustomizeAlpha;
inline bool CustomizeAlphaBar;
// Where a received file is proposed to go (CustomizeFileSave).
inline constexpr int FileSaveProgramFolder = 0;
inline constexpr int FileSaveLastFolder = 1;
inline constexpr int FileSaveSetFolder = 2;
inline int CustomizeFileSave;
inline QString CustomizeFileSaveSetPath;
inline bool CustomizeTaskHideLog;
inline bool CustomizeTaskHideSend;
inline bool CustomizeTaskHideFileSend;
inline bool CustomizeTaskHideChat;
inline bool CustomizeTaskHideGlobalChat;
inline bool CustomizeTaskHideAbsence;
inline bool SecurityFileRecvCancel;
inline bool SecurityFileRecvCancelAbsence;
inline bool SecurityLetter;
inline QString SecurityLetterPassword; // plain text; the file holds it scrambled twice
inline bool SecurityOption;
inline QString SecurityOptionPassword;
inline bool SecurityLog;
inline QString SecurityLogPassword;
inline int CustomizeSoundKind;
inline constexpr int SoundFileCount = 8;
inline std::array<QString, SoundFileCount> CustomizeSoundFile;
inline int AnimationMouse;
inline int AnimationTaskTrayIcon;
inline bool NoticeLogin;
inline bool NoticeLogout;
inline bool NoticeChatLogin;
inline bool NoticeChatLoginAnytime;
inline bool NoticeChatLogout;
inline bool NoticeChatLogoutAnytime;
inline bool NoticeAbsence;
inline bool NoticeNonAbsence;
inline bool NoticeRecv;
inline bool NoticeMessageOpen;
inline int NoticePosition;
inline bool NoticeAutoClose;
inline bool NoticeAutoCloseAbsenceCancel;
inline bool NoticeAbsenceHide;
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

inline bool SendWindowShowHeader;
inline bool SendWindowShowSend;
inline bool SendWindowShowStatus;
inline bool RecvWindowShowHeader;
inline bool RecvWindowShowSend;
inline bool RecvWindowShowStatus;
inline bool AbsenceWindowShowHeader;
inline bool AbsenceWindowShowSend;
inline bool AbsenceWindowShowStatus;
inline bool ChatWindowShowHeader;
inline bool ChatWindowShowSend;
inline bool ChatWindowShowStatus;
inline bool GlobalChatWindowShowHeader;
inline bool GlobalChatWindowShowStatus;
inline bool LogWindowShowHeader;
inline bool LogWindowShowStatus;
inline bool FileSendWindowShowHeader;
inline bool FileSendWindowShowSend;
inline bool FileSendWindowShowStatus;
inline bool FileRecvWindowShowHeader;
inline bool FileRecvWindowShowSend;
inline bool FileRecvWindowShowStatus;

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
// &CustomizeLog, also HandleName's, whose default is the computer name); empty
// for a variable that is not one of the key table's.
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
// extra addresses and the away kinds.
void SettingsReadOption(const IniFile& ini, const QString& sMachineName);
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
// 100 away kinds, the extra addresses (then the
// two keys after them deleted) and, when bWritePorts, the three port keys. The
// bar keys are not written. Stops at the first failed key; false then. One
// writing pass: the file is saved once, and a failed save also gives false.
bool SettingsWriteOption(IniFile& ini, const QStringList& slBroadcastIP, bool bWritePorts);
// NetworkBroadcast0 .. n-1, then NetworkBroadcast + n and the plain key deleted.
bool SettingsWriteBroadcastIP(IniFile& ini, const QStringList& slBroadcastIP);
bool SettingsWriteAbsence(IniFile& ini);
bool SettingsWriteLastCheck(IniFile& ini, const QDate& date);
