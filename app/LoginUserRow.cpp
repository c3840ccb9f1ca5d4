#include "LoginUserRow.h"

#include "CommonForm.h"

#include <algorithm>

int LoginUserIconIndex(const QString& sDiscrimination, int iVersion, bool bAbsence)
{
    if (sDiscrimination == u"Parvane2") {
        if (iVersion < 2200)
            return bAbsence ? 2 : 1;
        return LoginUserStateImage(bAbsence);
    }
    if (sDiscrimination == u"Vesk")
        return 3;
    if (sDiscrimination == u"Tassiel")
        return 4;
    if (sDiscrimination == u"Dremmet")
        return 5;
    if (sDiscrimination == u"Kolt")
        return iVersion < 200 ? 6 : 7;
    return 0;
}

const QString& LoginUserKindText(const TLoginUserReport& report)
{
    return report.Menu ? RowKindMenu : RowKindMessage;
}

QStringList LoginUserSubItems(const TLoginUserReport& report)
{
    QString sStatus = RowOnline;
    if (report.Absence)
        sStatus = report.AbsenceTitle.isEmpty() ? RowAbsentUntitled : report.AbsenceTitle;
    return {PeerTextInLine(sStatus),
            report.Chat ? RowChatLogin : RowNone,
            report.FTPPort != 0 ? RowFileSupport : RowNone,
            LoginUserKindText(report),
            PeerTextInLine(report.Discrimination),
            PeerTextInLine(report.MachineName),
            PeerTextInLine(report.IPAddress)};
}

QStringList LoginUserColumnTitles()
{
    return {QStringLiteral("ハンドル名"),     QStringLiteral("ステータス"), QStringLiteral("チャット"),
            QStringLiteral("ファイル受信"),   QStringLiteral("種別"),       QStringLiteral("識別情報"),
            QStringLiteral("コンピュータ名"), QStringLiteral("IPアドレス")};
}

std::vector<int> LoginUserColumnWidths()
{
    return {100, 66, 55, 77, 64, 70, 85, 85};
}

QString NoticeLoginText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」がログインしました。");
}
QString NoticeLogoutText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」がログアウトしました。");
}
QString NoticeAbsenceText(const QString& sHandle, const QString& sTitle)
{
    if (sTitle.isEmpty())
        return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」が不在状態になりました。");
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」が不在状態(") + PeerTextInLine(sTitle) +
           QStringLiteral(")になりました。");
}
QString NoticeNonAbsenceText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」の不在状態が解除されました。");
}
QString NoticeChatLoginText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」がチャットへ参加しました。");
}
QString NoticeChatLogoutText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」がチャットから退出しました。");
}
QString NoticeRecvText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」からメッセージが届きました。");
}
QString NoticeMessageOpenText(const QString& sHandle)
{
    return u'「' + PeerTextInLine(sHandle) + QStringLiteral("」がメッセージを開封しました。");
}

TLoginUserEffects LoginUserTransition(const std::optional<TLoginUserReport>& before,
                                      const TLoginUserReport& now, bool bOwnRow, bool bOwnChat,
                                      const TLoginUserNoticeSettings& settings)
{
    TLoginUserEffects effects;
    const QString& sHandle = now.HandleName;
    if (!before) {
        if (bOwnRow) {
            effects.EnableOwnCommands = true;
            return effects;
        }
        if (settings.NoticeLogin)
            effects.Notices.append(NoticeLoginText(sHandle));
        effects.Sounds.push_back(SoundLogin);
        if (now.Chat) {
            effects.ChatUserLogin = true;
            // A newcomer already in the chat is always worth telling.
            if (settings.NoticeChatLogin)
                effects.Notices.append(NoticeChatLoginText(sHandle));
            effects.Sounds.push_back(SoundChatLogin);
        }
        return effects;
    }

    const TLoginUserReport& was = *before;
    const bool bChatEntered = !was.Chat && now.Chat;
    const bool bChatLeft = was.Chat && !now.Chat;
    if (!bOwnRow) {
        // An away title that changes to none keeps the user away: nothing to tell.
        if (settings.NoticeAbsence && now.Absence) {
            if (now.AbsenceTitle.isEmpty() && !was.Absence)
                effects.Notices.append(NoticeAbsenceText(sHandle, QString()));
            else if (!now.AbsenceTitle.isEmpty() && (!was.Absence || was.AbsenceTitle != now.AbsenceTitle))
                effects.Notices.append(NoticeAbsenceText(sHandle, now.AbsenceTitle));
        }
        if (settings.NoticeNonAbsence && was.Absence && !now.Absence)
            effects.Notices.append(NoticeNonAbsenceText(sHandle));
        if (bChatEntered) {
            if (settings.NoticeChatLogin && (settings.NoticeChatLoginAnytime || bOwnChat))
                effects.Notices.append(NoticeChatLoginText(sHandle));
            effects.Sounds.push_back(SoundChatLogin);
        }
        if (bChatLeft) {
            effects.ChatUserLogout = true;
            if (settings.NoticeChatLogout && (settings.NoticeChatLogoutAnytime || bOwnChat))
                effects.Notices.append(NoticeChatLogoutText(sHandle));
            effects.Sounds.push_back(SoundChatLogout);
        }
    }
    if (bChatEntered)
        effects.ChatUserLogin = true;
    if (now.Chat && was.HandleName != now.HandleName)
        effects.OldHandle = was.HandleName;
    if (now.Chat && was.Absence != now.Absence)
        effects.ChatAbsenceChange = true;
    return effects;
}
