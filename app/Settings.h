#pragma once

#include "EventSound.h"
#include "IniFile.h"
#include "NoticeRules.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <variant>
#include <vector>

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

// Each setting's key, its default and its control in the options window are one
// row of the key table below; until the file is read, every variable holds its default.
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
// The extra addresses (NetworkBroadcast0, 1, ...) joined with "&|", as the engine
// takes them; read with SettingsReadBroadcastIP at the main window's start.
inline QString NetworkBroadcast;
inline bool CustomizeMenuBarHide = false;
inline bool CustomizeToolBarHide = false;
inline bool CustomizeStatusBarHide = false;

// The ports below this one are the system's; the largest is TParvaneNetwork::MaximumPortNo.
inline constexpr int MinimumPortNo = 1024;

// ---- The key table

// A password variable: plain in memory, scrambled twice in the file.
struct TOptionPassword {
    QString* text;
};

// One [Option] key held in a variable: the key, the variable, the value it has
// without the key in the file (a text's is empty unless one is given, a
// password's always), and the options window's control that shows and takes it
// (its check box, edit, list of choices or hot-key field, by name; none for a key
// the window shows otherwise or not at all). A row here is all the file and the
// window need of a setting.
struct TOptionKey {
    TOptionKey(QString sName, bool* pFlag, bool bDefault, QString sControl = QString())
        : name(std::move(sName)), variable(pFlag), value(bDefault), control(std::move(sControl))
    {
    }
    TOptionKey(QString sName, int* pNumber, int iDefault, QString sControl = QString())
        : name(std::move(sName)), variable(pNumber), value(iDefault), control(std::move(sControl))
    {
    }
    TOptionKey(QString sName, QString* pText, QString sDefault = QString(), QString sControl = QString())
        : name(std::move(sName)), variable(pText), value(std::move(sDefault)), control(std::move(sControl))
    {
    }
    TOptionKey(QString sName, TOptionPassword password, QString sControl)
        : name(std::move(sName)), variable(password), value(QString()), control(std::move(sControl))
    {
    }

    QString name;
    std::variant<bool*, int*, QString*, TOptionPassword> variable;
    std::variant<bool, int, QString> value;
    QString control;
};

// The keys from CustomizeTaskTray to AnimationTaskTrayIcon, in the order they are
// written; the away kinds follow them in the file, then the keys after them.
inline std::vector<TOptionKey> OptionKeysBeforeAbsence()
{
    std::vector<TOptionKey> keys = {
        {QStringLiteral("CustomizeTaskTray"), &CustomizeTaskTray, false, "cbCustomizeTaskTray"},
        {QStringLiteral("CustomizeTaskBar"), &CustomizeTaskBar, false, "cbCustomizeTaskBar"},
        {QStringLiteral("CustomizeAutoRecv"), &CustomizeAutoRecv, false, "cbCustomizeAutoRecv"},
        {QStringLiteral("CustomizeAutoRecvAbsence"), &CustomizeAutoRecvAbsence, false,
         "cbCustomizeAutoRecvAbsence"},
        {QStringLiteral("CustomizeReplyHide"), &CustomizeReplyHide, false, "cbCustomizeReplyHide"},
        {QStringLiteral("CustomizeSendHide"), &CustomizeSendHide, false, "cbCustomizeSendHide"},
        {QStringLiteral("CustomizeRecvWithMessage"), &CustomizeRecvWithMessage, false,
         "cbCustomizeRecvWithMessage"},
        {QStringLiteral("CustomizeLetter"), &CustomizeLetter, false, "cbCustomizeLetter"},
        {QStringLiteral("CustomizeChatLocate"), &CustomizeChatLocate, false, "cbCustomizeChatLocate"},
        {QStringLiteral("CustomizeIME"), &CustomizeIME, false, "cbCustomizeIME"},
        {QStringLiteral("CustomizeLog"), &CustomizeLog, true, "cbCustomizeLog"},
        {QStringLiteral("CustomizeReloginMessage"), &CustomizeReloginMessage, true,
         "cbCustomizeReloginMessage"},
        {QStringLiteral("CustomizeEnd"), &CustomizeEnd, true, "cbCustomizeEnd"},
        {QStringLiteral("CustomizeSecurityData"), &CustomizeSecurityData, false, "cbCustomizeSecurityData"},
        {QStringLiteral("CustomizeHotKey1"), &CustomizeHotKey1, 49229, "hkCustomizeHotKey1"}, // Ctrl+Alt+M
        {QStringLiteral("CustomizeHotKey2"), &CustomizeHotKey2, 49235, "hkCustomizeHotKey2"}, // Ctrl+Alt+S
        {QStringLiteral("CustomizeHotKey3"), &CustomizeHotKey3, 49234, "hkCustomizeHotKey3"}, // Ctrl+Alt+R
        {QStringLiteral("CustomizeHotKey4"), &CustomizeHotKey4, 49222, "hkCustomizeHotKey4"}, // Ctrl+Alt+F
        {QStringLiteral("CustomizeHotKey5"), &CustomizeHotKey5, 49228, "hkCustomizeHotKey5"}, // Ctrl+Alt+L
        {QStringLiteral("CustomizeStartLogin"), &CustomizeStartLogin, true, "cbCustomizeStartLogin"},
        {QStringLiteral("CustomizeStartFormHide"), &CustomizeStartFormHide, false,
         "cbCustomizeStartFormHide"},
        {QStringLiteral("CustomizeStartVersionCheck"), &CustomizeStartVersionCheck, true,
         "cbCustomizeStartVersionCheck"},
        {QStringLiteral("CustomizeShowTopMost"), &CustomizeShowTopMost, false, "cbCustomizeShowTopMost"},
        {QStringLiteral("CustomizeAlpha"), &CustomizeAlpha, false},
        {QStringLiteral("CustomizeAlphaBar"), &CustomizeAlphaBar, true},
        {QStringLiteral("CustomizeFileSave"), &CustomizeFileSave, FileSaveProgramFolder},
        {QStringLiteral("CustomizeFileSaveSetPath"), &CustomizeFileSaveSetPath, ProgramDirectory,
         "edCustomizeFileSaveSetPath"},
        {QStringLiteral("CustomizeTaskHideLog"), &CustomizeTaskHideLog, false, "cbCustomizeTaskHideLog"},
        {QStringLiteral("CustomizeTaskHideSend"), &CustomizeTaskHideSend, false, "cbCustomizeTaskHideSend"},
        {QStringLiteral("CustomizeTaskHideFileSend"), &CustomizeTaskHideFileSend, false,
         "cbCustomizeTaskHideFileSend"},
        {QStringLiteral("CustomizeTaskHideChat"), &CustomizeTaskHideChat, false, "cbCustomizeTaskHideChat"},
        {QStringLiteral("CustomizeTaskHideGlobalChat"), &CustomizeTaskHideGlobalChat, false,
         "cbCustomizeTaskHideGlobalChat"},
        {QStringLiteral("CustomizeTaskHideAbsence"), &CustomizeTaskHideAbsence, false,
         "cbCustomizeTaskHideAbsence"},
        {QStringLiteral("SecurityFileRecvCancel"), &SecurityFileRecvCancel, false,
         "cbSecurityFileRecvCancel"},
        {QStringLiteral("SecurityFileRecvCancelAbsence"), &SecurityFileRecvCancelAbsence, false,
         "cbSecurityFileRecvCancelAbsence"},
        {QStringLiteral("SecurityLetter"), &SecurityLetter, false, "cbSecurityLetter"},
        {QStringLiteral("SecurityLetterPassword"), TOptionPassword{&SecurityLetterPassword},
         "edSecurityLetterPassword"},
        {QStringLiteral("SecurityOption"), &SecurityOption, false, "cbSecurityOption"},
        {QStringLiteral("SecurityOptionPassword"), TOptionPassword{&SecurityOptionPassword},
         "edSecurityOptionPassword"},
        {QStringLiteral("SecurityLog"), &SecurityLog, false, "cbSecurityLog"},
        {QStringLiteral("SecurityLogPassword"), TOptionPassword{&SecurityLogPassword},
         "edSecurityLogPassword"},
        {QStringLiteral("CustomizeSoundKind"), &CustomizeSoundKind, SoundKindNone},
    };
    for (int i = 0; i < SoundFileCount; ++i)
        keys.push_back({QStringLiteral("CustomizeSoundFile%1").arg(i), &CustomizeSoundFile[i], QString(),
                        QStringLiteral("edCustomizeSoundFile%1").arg(i + 1)});
    keys.push_back({QStringLiteral("AnimationMouse"), &AnimationMouse, 1, "cbAnimationMouse"});
    keys.push_back(
        {QStringLiteral("AnimationTaskTrayIcon"), &AnimationTaskTrayIcon, 1, "cbAnimationTaskTrayIcon"});
    return keys;
}

inline std::vector<TOptionKey> OptionKeysAfterAbsence()
{
    return {
        {QStringLiteral("NoticeLogin"), &NoticeLogin, true, "cbEventOtherLogin"},
        {QStringLiteral("NoticeLogout"), &NoticeLogout, true, "cbEventOtherLogout"},
        {QStringLiteral("NoticeChatLogin"), &NoticeChatLogin, true, "cbEventOtherChatLogin"},
        {QStringLiteral("NoticeChatLoginAnytime"), &NoticeChatLoginAnytime, true, "cbNoticeChatLoginAnytime"},
        {QStringLiteral("NoticeChatLogout"), &NoticeChatLogout, true, "cbEventOtherChatLogout"},
        {QStringLiteral("NoticeChatLogoutAnytime"), &NoticeChatLogoutAnytime, true,
         "cbNoticeChatLogoutAnytime"},
        {QStringLiteral("NoticeAbsence"), &NoticeAbsence, true, "cbEventOtherAbsence"},
        {QStringLiteral("NoticeNonAbsence"), &NoticeNonAbsence, true, "cbEventOtherNonAbsence"},
        {QStringLiteral("NoticeRecv"), &NoticeRecv, true, "cbEventRecv"},
        {QStringLiteral("NoticeMessageOpen"), &NoticeMessageOpen, true, "cbEventMessageOpen"},
        {QStringLiteral("NoticePosition"), &NoticePosition, npBottomRight, "cbNoticePosition"},
        {QStringLiteral("NoticeAutoClose"), &NoticeAutoClose, true, "cbNoticeAutoClose"},
        {QStringLiteral("NoticeAutoCloseAbsenceCancel"), &NoticeAutoCloseAbsenceCancel, false,
         "cbNoticeAutoCloseAbsenceCancel"},
        {QStringLiteral("NoticeAbsenceHide"), &NoticeAbsenceHide, true, "cbEventAbsenceHide"},
    };
}

// ---- Away kinds

struct TAbsenceMessageSub {
    QString sTitle;
    QString sMessage; // line breaks as CR LF
    bool operator==(const TAbsenceMessageSub&) const = default;
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
