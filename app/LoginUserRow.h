#pragma once

#include "EventSound.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The texts a user row shows and other windows compare.
inline const QString RowOnline = QStringLiteral("オンライン");
inline const QString RowAbsentUntitled = QStringLiteral("不在");
inline const QString RowChatLogin = QStringLiteral("ログイン");
inline const QString RowNone = QStringLiteral("-------");
inline const QString RowFileSupport = QStringLiteral("サポート");
inline const QString RowKindMenu = QStringLiteral("通信制御");
inline const QString RowKindMessage = QStringLiteral("メッセージ");

// The images of this program's own mark in the user-list images, also used for
// present and away users in menus and the status bar.
inline constexpr int LoginUserImagePresent = 8;
inline constexpr int LoginUserImageAway = 9;
inline constexpr int LoginUserStateImage(bool bAbsence)
{
    return bAbsence ? LoginUserImageAway : LoginUserImagePresent;
}

// A peer as the log-in and information-change events report it.
struct TLoginUserReport {
    QString HandleName;
    QString MachineName;
    QString IPAddress;
    QString Discrimination;
    int Version = 0;
    bool Absence = false;
    QString AbsenceTitle;
    bool Menu = false;
    bool Chat = false;
    int FTPPort = 0;
};

// The image of a row: this program's own mark by version and away state, one
// mark per sibling client, a question mark for any other.
int LoginUserIconIndex(const QString& sDiscrimination, int iVersion, bool bAbsence);
// "通信制御" for a peer that takes only control records, else "メッセージ".
const QString& LoginUserKindText(const TLoginUserReport& report);
// Sub-items 0 to 6 of a row (the handle name is its caption): the status, chat,
// file, kind, identifier, machine name and address columns. Only the user table
// writes them; nothing reads them back.
QStringList LoginUserSubItems(const TLoginUserReport& report);
// The column headers and their design widths.
QStringList LoginUserColumnTitles();
std::vector<int> LoginUserColumnWidths();

// The notice settings the row changes consult.
struct TLoginUserNoticeSettings {
    bool NoticeLogin = true;
    bool NoticeChatLogin = true;
    bool NoticeChatLoginAnytime = true;
    bool NoticeChatLogout = true;
    bool NoticeChatLogoutAnytime = true;
    bool NoticeAbsence = true;
    bool NoticeNonAbsence = true;
};

// What a log-in or information change of one peer causes, in the order it happens.
struct TLoginUserEffects {
    QStringList Notices;
    std::vector<int> Sounds;
    bool ChatUserLogout = false;      // before the row is written
    bool ChatUserLogin = false;       // before the row is written
    std::optional<QString> OldHandle; // the chat room's name change, after the row is written
    bool ChatAbsenceChange = false;   // after the row is written
    bool EnableOwnCommands = false;   // the own row arrived: chat and away commands on
};

// The difference between what a row showed before (none when the peer is not
// listed) and the peer's new state. Every judgement is made on what the peer
// reported, never on the texts shown, so a title that reads like another
// state ("オンライン") is still an away title. The own row raises nothing.
TLoginUserEffects LoginUserTransition(const std::optional<TLoginUserReport>& before,
                                      const TLoginUserReport& now, bool bOwnRow, bool bOwnChat,
                                      const TLoginUserNoticeSettings& settings);

// Notice texts with their corner brackets.
QString NoticeLoginText(const QString& sHandle);
QString NoticeLogoutText(const QString& sHandle);
QString NoticeAbsenceText(const QString& sHandle, const QString& sTitle);
QString NoticeNonAbsenceText(const QString& sHandle);
QString NoticeChatLoginText(const QString& sHandle);
QString NoticeChatLogoutText(const QString& sHandle);
QString NoticeRecvText(const QString& sHandle);
QString NoticeMessageOpenText(const QString& sHandle);
