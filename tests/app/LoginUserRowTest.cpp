#include "LoginUserRow.h"

#include "CommonForm.h"

#include <gtest/gtest.h>

namespace {

TLoginUserReport Peer(bool bAbsence = false, const QString& sTitle = QString(), bool bChat = false,
                      const QString& sHandle = QStringLiteral("taro"))
{
    TLoginUserReport report;
    report.HandleName = sHandle;
    report.MachineName = QStringLiteral("PVHOST2");
    report.IPAddress = QStringLiteral("198.18.0.2");
    report.Discrimination = QStringLiteral("Parvane2");
    report.Version = 2200;
    report.Absence = bAbsence;
    report.AbsenceTitle = sTitle;
    report.Chat = bChat;
    report.FTPPort = 52000;
    return report;
}

struct TransitionCase {
    const char* sName;
    std::optional<TLoginUserReport> before;
    TLoginUserReport now;
    bool bOwnRow;
    bool bOwnChat;
    TLoginUserNoticeSettings settings;
    QStringList slNotices;
    std::vector<int> sounds;
    bool bChatLogin;
    bool bChatLogout;
    std::optional<QString> oldHandle;
    bool bAbsenceChange;
    bool bEnableOwn;
};

TLoginUserNoticeSettings AllOn()
{
    return {};
}
TLoginUserNoticeSettings AnytimeOff()
{
    TLoginUserNoticeSettings s;
    s.NoticeChatLoginAnytime = false;
    s.NoticeChatLogoutAnytime = false;
    return s;
}
TLoginUserNoticeSettings NoticesOff()
{
    return {false, false, false, false, false, false, false};
}

const QString Taro = QStringLiteral("taro");
const QString Phone = QStringLiteral("電話中");
const QString Desk = QStringLiteral("離席中");

class LoginUserTransitionTable : public testing::TestWithParam<TransitionCase> {};

TEST_P(LoginUserTransitionTable, NoticesSoundsAndChatCalls)
{
    const TransitionCase& c = GetParam();
    const TLoginUserEffects e = LoginUserTransition(c.before, c.now, c.bOwnRow, c.bOwnChat, c.settings);
    EXPECT_EQ(e.Notices, c.slNotices);
    EXPECT_EQ(e.Sounds, c.sounds);
    EXPECT_EQ(e.ChatUserLogin, c.bChatLogin);
    EXPECT_EQ(e.ChatUserLogout, c.bChatLogout);
    EXPECT_EQ(e.OldHandle, c.oldHandle);
    EXPECT_EQ(e.ChatAbsenceChange, c.bAbsenceChange);
    EXPECT_EQ(e.EnableOwnCommands, c.bEnableOwn);
}

const TransitionCase kCases[] = {
    {.sName = "NewPeer",
     .before = std::nullopt,
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeLoginText(Taro)},
     .sounds = {0},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "NewPeerWithoutNotice",
     .before = std::nullopt,
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = NoticesOff(),
     .slNotices = {},
     .sounds = {0},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "NewPeerAlreadyAwayGetsNoAwayNotice",
     .before = std::nullopt,
     .now = Peer(true, Phone),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeLoginText(Taro)},
     .sounds = {0},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "NewPeerInChatIsToldEvenWithAnytimeOff",
     .before = std::nullopt,
     .now = Peer(false, {}, true),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AnytimeOff(),
     .slNotices = {NoticeLoginText(Taro), NoticeChatLoginText(Taro)},
     .sounds = {0, 3},
     .bChatLogin = true,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "OwnRowArrivesSilently",
     .before = std::nullopt,
     .now = Peer(true, Desk, true),
     .bOwnRow = true,
     .bOwnChat = true,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = true},
    {.sName = "UntitledAway",
     .before = Peer(),
     .now = Peer(true),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, {})},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "TitledAway",
     .before = Peer(),
     .now = Peer(true, Desk),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, Desk)},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "TitleChange",
     .before = Peer(true, Desk),
     .now = Peer(true, Phone),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, Phone)},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "TitledToUntitledIsQuiet",
     .before = Peer(true, Desk),
     .now = Peer(true),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "SameTitleAgainIsQuiet",
     .before = Peer(true, Desk),
     .now = Peer(true, Desk),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    // The title looks like the online text, yet the peer is away.
    {.sName = "AwayTitledLikeOnlineIsAway",
     .before = Peer(),
     .now = Peer(true, QStringLiteral("オンライン")),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, QStringLiteral("オンライン"))},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "ReturnFromAwayTitledLikeOnline",
     .before = Peer(true, QStringLiteral("オンライン")),
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeNonAbsenceText(Taro)},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "UntitledToTitledNamedLikeTheUntitledText",
     .before = Peer(true),
     .now = Peer(true, QStringLiteral("不在")),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, QStringLiteral("不在"))},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "Return",
     .before = Peer(true, Desk),
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeNonAbsenceText(Taro)},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "AwayNoticesOff",
     .before = Peer(true, Desk),
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = NoticesOff(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "ChatEntryAnytime",
     .before = Peer(),
     .now = Peer(false, {}, true),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {NoticeChatLoginText(Taro)},
     .sounds = {3},
     .bChatLogin = true,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "ChatEntryAnytimeOffOutsideChatOnlySounds",
     .before = Peer(),
     .now = Peer(false, {}, true),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AnytimeOff(),
     .slNotices = {},
     .sounds = {3},
     .bChatLogin = true,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "ChatEntryAnytimeOffInsideChat",
     .before = Peer(),
     .now = Peer(false, {}, true),
     .bOwnRow = false,
     .bOwnChat = true,
     .settings = AnytimeOff(),
     .slNotices = {NoticeChatLoginText(Taro)},
     .sounds = {3},
     .bChatLogin = true,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "ChatExitAnytimeOffOutsideChat",
     .before = Peer(false, {}, true),
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AnytimeOff(),
     .slNotices = {},
     .sounds = {4},
     .bChatLogin = false,
     .bChatLogout = true,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "ChatExitInsideChat",
     .before = Peer(false, {}, true),
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = true,
     .settings = AnytimeOff(),
     .slNotices = {NoticeChatLogoutText(Taro)},
     .sounds = {4},
     .bChatLogin = false,
     .bChatLogout = true,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "NameChangeInChat",
     .before = Peer(false, {}, true, QStringLiteral("old")),
     .now = Peer(false, {}, true),
     .bOwnRow = false,
     .bOwnChat = true,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = QStringLiteral("old"),
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "NameChangeOutsideChatIsNotPassedOn",
     .before = Peer(false, {}, false, QStringLiteral("old")),
     .now = Peer(),
     .bOwnRow = false,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "AwayFlipInChat",
     .before = Peer(false, {}, true),
     .now = Peer(true, Desk, true),
     .bOwnRow = false,
     .bOwnChat = true,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, Desk)},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = true,
     .bEnableOwn = false},
    {.sName = "TitleChangeInChatIsNoFlip",
     .before = Peer(true, Desk, true),
     .now = Peer(true, Phone, true),
     .bOwnRow = false,
     .bOwnChat = true,
     .settings = AllOn(),
     .slNotices = {NoticeAbsenceText(Taro, Phone)},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    // The own row keeps the chat room's member list right but tells nothing.
    {.sName = "OwnRowEntersChat",
     .before = Peer(),
     .now = Peer(false, {}, true),
     .bOwnRow = true,
     .bOwnChat = true,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = true,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
    {.sName = "OwnRowGoesAwayInChat",
     .before = Peer(false, {}, true, QStringLiteral("old")),
     .now = Peer(true, Desk, true),
     .bOwnRow = true,
     .bOwnChat = true,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = QStringLiteral("old"),
     .bAbsenceChange = true,
     .bEnableOwn = false},
    {.sName = "OwnRowLeavesChatSilently",
     .before = Peer(false, {}, true),
     .now = Peer(),
     .bOwnRow = true,
     .bOwnChat = false,
     .settings = AllOn(),
     .slNotices = {},
     .sounds = {},
     .bChatLogin = false,
     .bChatLogout = false,
     .oldHandle = std::nullopt,
     .bAbsenceChange = false,
     .bEnableOwn = false},
};

INSTANTIATE_TEST_SUITE_P(LoginUser, LoginUserTransitionTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TransitionCase>& info) { return info.param.sName; });

TEST(LoginUserRow, SubItemsShowTheFlags)
{
    TLoginUserReport report = Peer(true, QString(), true);
    report.FTPPort = 0;
    report.Menu = true;
    EXPECT_EQ(LoginUserSubItems(report),
              (QStringList{QStringLiteral("不在"), QStringLiteral("ログイン"), QStringLiteral("-------"),
                           QStringLiteral("通信制御"), QStringLiteral("Parvane2"), QStringLiteral("PVHOST2"),
                           QStringLiteral("198.18.0.2")}));
    EXPECT_EQ(LoginUserSubItems(Peer(true, Phone)).first(), Phone);
    EXPECT_EQ(
        LoginUserSubItems(Peer()),
        (QStringList{QStringLiteral("オンライン"), QStringLiteral("-------"), QStringLiteral("サポート"),
                     QStringLiteral("メッセージ"), QStringLiteral("Parvane2"), QStringLiteral("PVHOST2"),
                     QStringLiteral("198.18.0.2")}));
}

TEST(LoginUserRow, IconIndexByIdentifierVersionAndAway)
{
    struct {
        const char* sId;
        int iVersion;
        int iPresent;
        int iAway;
    } const kIcons[] = {
        {"Parvane2", 2110, 1, 2}, {"Parvane2", 2199, 1, 2}, {"Parvane2", 2200, 8, 9},
        {"Parvane2", 3000, 8, 9}, {"Vesk", 1, 3, 3},        {"Tassiel", 1, 4, 4},
        {"Dremmet", 1, 5, 5},     {"Kolt", 199, 6, 6},      {"Kolt", 200, 7, 7},
        {"parvane2", 2200, 0, 0}, {"Other", 2200, 0, 0},    {"", 0, 0, 0},
    };
    for (const auto& c : kIcons) {
        EXPECT_EQ(LoginUserIconIndex(QString::fromUtf8(c.sId), c.iVersion, false), c.iPresent) << c.sId;
        EXPECT_EQ(LoginUserIconIndex(QString::fromUtf8(c.sId), c.iVersion, true), c.iAway) << c.sId;
    }
}

TEST(LoginUserRow, SevenColumnsAfterTheCaption)
{
    EXPECT_EQ(LoginUserColumnTitles().size(), 8);
    EXPECT_EQ(LoginUserColumnWidths().size(), 8u);
    EXPECT_EQ(LoginUserColumnTitles()[6], QStringLiteral("コンピュータ名"));
}

// A peer's name and away title in a notice line, and in the cells of its row,
// keep the bound of a line: a handle of 20 KB cannot make a line 20 KB wide.
TEST(LoginUserRow, APeersLongTextsAreCutInNoticesAndCells)
{
    const QString sLong = QStringLiteral("長").repeated(10000);
    const QString sCut = PeerTextInLine(sLong);
    ASSERT_TRUE(sCut.endsWith(QStringLiteral("…")));
    const struct {
        const char* sName;
        QString sNotice;
        QString sExpected;
    } notices[] = {
        {"login", NoticeLoginText(sLong), u'「' + sCut + QStringLiteral("」がログインしました。")},
        {"logout", NoticeLogoutText(sLong), u'「' + sCut + QStringLiteral("」がログアウトしました。")},
        {"away", NoticeAbsenceText(sLong, QString()),
         u'「' + sCut + QStringLiteral("」が不在状態になりました。")},
        {"away with a title", NoticeAbsenceText(QStringLiteral("花子"), sLong),
         QStringLiteral("「花子」が不在状態(") + sCut + QStringLiteral(")になりました。")},
        {"back", NoticeNonAbsenceText(sLong),
         u'「' + sCut + QStringLiteral("」の不在状態が解除されました。")},
        {"chat login", NoticeChatLoginText(sLong),
         u'「' + sCut + QStringLiteral("」がチャットへ参加しました。")},
        {"chat logout", NoticeChatLogoutText(sLong),
         u'「' + sCut + QStringLiteral("」がチャットから退出しました。")},
        {"message", NoticeRecvText(sLong), u'「' + sCut + QStringLiteral("」からメッセージが届きました。")},
        {"opened", NoticeMessageOpenText(sLong),
         u'「' + sCut + QStringLiteral("」がメッセージを開封しました。")},
    };
    for (const auto& c : notices)
        EXPECT_EQ(c.sNotice, c.sExpected) << c.sName;

    TLoginUserReport report = Peer(true, sLong, false, sLong);
    report.MachineName = sLong;
    report.Discrimination = sLong;
    report.IPAddress = sLong;
    const QStringList slCells = LoginUserSubItems(report);
    for (int i : {0, 4, 5, 6})
        EXPECT_EQ(slCells[i], sCut) << "column " << i + 1;
}

} // namespace
