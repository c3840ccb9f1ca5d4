#include "LoginUserRow.h"

#include "CommonForm.h"

#include <gtest/gtest.h>

namespace {

TLoginUserFlags Peer(bool bAbsence = false, const QString& sTitle = QString(), bool bChat = false,
                     const QString& sHandle = QStringLiteral("taro"))
{
    TLoginUserFlags flags;
    flags.HandleName = sHandle;
    flags.MachineName = QStringLiteral("PVHOST2");
    flags.IPAddress = QStringLiteral("198.18.0.2");
    flags.Discrimination = QStringLiteral("Parvane2");
    flags.Version = 2200;
    flags.Absence = bAbsence;
    flags.AbsenceTitle = sTitle;
    flags.Chat = bChat;
    flags.FTPPort = 52000;
    return flags;
}

struct TransitionCase {
    const char* sName;
    std::optional<TLoginUserFlags> before;
    TLoginUserFlags now;
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
    {"NewPeer",
     std::nullopt,
     Peer(),
     false,
     false,
     AllOn(),
     {NoticeLoginText(Taro)},
     {0},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"NewPeerWithoutNotice",
     std::nullopt,
     Peer(),
     false,
     false,
     NoticesOff(),
     {},
     {0},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"NewPeerAlreadyAwayGetsNoAwayNotice",
     std::nullopt,
     Peer(true, Phone),
     false,
     false,
     AllOn(),
     {NoticeLoginText(Taro)},
     {0},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"NewPeerInChatIsToldEvenWithAnytimeOff",
     std::nullopt,
     Peer(false, {}, true),
     false,
     false,
     AnytimeOff(),
     {NoticeLoginText(Taro), NoticeChatLoginText(Taro)},
     {0, 3},
     true,
     false,
     std::nullopt,
     false,
     false},
    {"OwnRowArrivesSilently",
     std::nullopt,
     Peer(true, Desk, true),
     true,
     true,
     AllOn(),
     {},
     {},
     false,
     false,
     std::nullopt,
     false,
     true},
    {"UntitledAway",
     Peer(),
     Peer(true),
     false,
     false,
     AllOn(),
     {NoticeAbsenceText(Taro, {})},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"TitledAway",
     Peer(),
     Peer(true, Desk),
     false,
     false,
     AllOn(),
     {NoticeAbsenceText(Taro, Desk)},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"TitleChange",
     Peer(true, Desk),
     Peer(true, Phone),
     false,
     false,
     AllOn(),
     {NoticeAbsenceText(Taro, Phone)},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"TitledToUntitledIsQuiet",
     Peer(true, Desk),
     Peer(true),
     false,
     false,
     AllOn(),
     {},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"SameTitleAgainIsQuiet",
     Peer(true, Desk),
     Peer(true, Desk),
     false,
     false,
     AllOn(),
     {},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    // The title looks like the online text, yet the peer is away.
    {"AwayTitledLikeOnlineIsAway",
     Peer(),
     Peer(true, QStringLiteral("オンライン")),
     false,
     false,
     AllOn(),
     {NoticeAbsenceText(Taro, QStringLiteral("オンライン"))},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"ReturnFromAwayTitledLikeOnline",
     Peer(true, QStringLiteral("オンライン")),
     Peer(),
     false,
     false,
     AllOn(),
     {NoticeNonAbsenceText(Taro)},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"UntitledToTitledNamedLikeTheUntitledText",
     Peer(true),
     Peer(true, QStringLiteral("不在")),
     false,
     false,
     AllOn(),
     {NoticeAbsenceText(Taro, QStringLiteral("不在"))},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"Return",
     Peer(true, Desk),
     Peer(),
     false,
     false,
     AllOn(),
     {NoticeNonAbsenceText(Taro)},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"AwayNoticesOff",
     Peer(true, Desk),
     Peer(),
     false,
     false,
     NoticesOff(),
     {},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"ChatEntryAnytime",
     Peer(),
     Peer(false, {}, true),
     false,
     false,
     AllOn(),
     {NoticeChatLoginText(Taro)},
     {3},
     true,
     false,
     std::nullopt,
     false,
     false},
    {"ChatEntryAnytimeOffOutsideChatOnlySounds",
     Peer(),
     Peer(false, {}, true),
     false,
     false,
     AnytimeOff(),
     {},
     {3},
     true,
     false,
     std::nullopt,
     false,
     false},
    {"ChatEntryAnytimeOffInsideChat",
     Peer(),
     Peer(false, {}, true),
     false,
     true,
     AnytimeOff(),
     {NoticeChatLoginText(Taro)},
     {3},
     true,
     false,
     std::nullopt,
     false,
     false},
    {"ChatExitAnytimeOffOutsideChat",
     Peer(false, {}, true),
     Peer(),
     false,
     false,
     AnytimeOff(),
     {},
     {4},
     false,
     true,
     std::nullopt,
     false,
     false},
    {"ChatExitInsideChat",
     Peer(false, {}, true),
     Peer(),
     false,
     true,
     AnytimeOff(),
     {NoticeChatLogoutText(Taro)},
     {4},
     false,
     true,
     std::nullopt,
     false,
     false},
    {"NameChangeInChat",
     Peer(false, {}, true, QStringLiteral("old")),
     Peer(false, {}, true),
     false,
     true,
     AllOn(),
     {},
     {},
     false,
     false,
     QStringLiteral("old"),
     false,
     false},
    {"NameChangeOutsideChatIsNotPassedOn",
     Peer(false, {}, false, QStringLiteral("old")),
     Peer(),
     false,
     false,
     AllOn(),
     {},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    {"AwayFlipInChat",
     Peer(false, {}, true),
     Peer(true, Desk, true),
     false,
     true,
     AllOn(),
     {NoticeAbsenceText(Taro, Desk)},
     {},
     false,
     false,
     std::nullopt,
     true,
     false},
    {"TitleChangeInChatIsNoFlip",
     Peer(true, Desk, true),
     Peer(true, Phone, true),
     false,
     true,
     AllOn(),
     {NoticeAbsenceText(Taro, Phone)},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
    // The own row keeps the chat room's member list right but tells nothing.
    {"OwnRowEntersChat",
     Peer(),
     Peer(false, {}, true),
     true,
     true,
     AllOn(),
     {},
     {},
     true,
     false,
     std::nullopt,
     false,
     false},
    {"OwnRowGoesAwayInChat",
     Peer(false, {}, true, QStringLiteral("old")),
     Peer(true, Desk, true),
     true,
     true,
     AllOn(),
     {},
     {},
     false,
     false,
     QStringLiteral("old"),
     true,
     false},
    {"OwnRowLeavesChatSilently",
     Peer(false, {}, true),
     Peer(),
     true,
     false,
     AllOn(),
     {},
     {},
     false,
     false,
     std::nullopt,
     false,
     false},
};

INSTANTIATE_TEST_SUITE_P(LoginUser, LoginUserTransitionTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<TransitionCase>& info) { return info.param.sName; });

TEST(LoginUserRow, SubItemsShowTheFlags)
{
    TLoginUserFlags flags = Peer(true, QString(), true);
    flags.FTPPort = 0;
    flags.Menu = true;
    EXPECT_EQ(LoginUserSubItems(flags),
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

    TLoginUserFlags flags = Peer(true, sLong, false, sLong);
    flags.MachineName = sLong;
    flags.Discrimination = sLong;
    flags.IPAddress = sLong;
    const QStringList slCells = LoginUserSubItems(flags);
    for (int i : {0, 4, 5, 6})
        EXPECT_EQ(slCells[i], sCut) << "column " << i + 1;
}

} // namespace
