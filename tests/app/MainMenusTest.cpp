// The rules of the main window's commands and run-time menus, without the window.
#include "MainMenus.h"

#include "CommonForm.h"
#include "LoginUserRow.h"
#include "PeerText.h"
#include "Settings.h"

#include <QAction>
#include <gtest/gtest.h>

namespace {

TEST(SelectionCommands, FollowTheSelectedRowsAndTheLogIn)
{
    const TSelectedRowState present{true, false, true};
    const TSelectedRowState away{true, true, false};
    const TSelectedRowState menuUser{false, false, false};
    const struct {
        const char* sName;
        bool bLoginStates;
        std::vector<TSelectedRowState> selected;
        TSelectionCommands expected;
    } cases[] = {
        {"NothingSelected", true, {}, {false, false, false}},
        {"OnePresentWithFiles", true, {present}, {true, false, true}},
        {"OneAwayWithoutFiles", true, {away}, {true, true, false}},
        // One menu-flag user can still be addressed: the send command warns and drops it.
        {"OneMenuUser", true, {menuUser}, {true, false, false}},
        {"TwoRowsNeverFileOrAway", true, {away, present}, {true, false, false}},
        {"TwoMenuUsers", true, {menuUser, menuUser}, {false, false, false}},
        {"ThreeOneMenuUser", true, {menuUser, away, menuUser}, {true, false, false}},
        {"LoggedOut", false, {present}, {false, false, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelectionCommands(c.bLoginStates, c.selected), c.expected) << c.sName;
}

TEST(SendTargets, OnlyMessageRowsInListOrder)
{
    const TSendTargetRow a{RowKindMessage, "PVHOST2", "Parvane2"};
    const TSendTargetRow b{RowKindMessage, "PVHOST3", "Other"};
    const TSendTargetRow menu{RowKindMenu, "PVHOST9", "Ctl"};
    const struct {
        const char* sName;
        std::vector<TSendTargetRow> selected;
        QString sMachines, sIds;
        bool bSkipped;
    } cases[] = {
        {"None", {}, "", "", false},
        {"OneMenuUserGivesNoRecipients", {menu}, "", "", true},
        {"TwoAndAMenuUser", {a, menu, b}, "PVHOST2&|PVHOST3", "Parvane2&|Other", true},
        {"Two", {b, a}, "PVHOST3&|PVHOST2", "Other&|Parvane2", false},
    };
    for (const auto& c : cases) {
        const TSendTargets t = SendTargets(c.selected);
        EXPECT_EQ(t.sMachines, c.sMachines) << c.sName;
        EXPECT_EQ(t.sDiscriminations, c.sIds) << c.sName;
        EXPECT_EQ(t.bSkipped, c.bSkipped) << c.sName;
    }
}

TPVN_LoginUserInformation User(const QString& sHandle, const QString& sMachine, const QString& sId,
                               bool bAway, bool bMenu, int iFilePort)
{
    TPVN_LoginUserInformation u;
    u.Handle = sHandle;
    u.Machine = sMachine;
    u.Discrimination = sId;
    u.Absence = bAway;
    u.Menu = bMenu;
    u.FTPPort = iFilePort;
    return u;
}

TEST(UserMenus, MenuFlagAndFilePortDecideTheEntries)
{
    const QList<TPVN_LoginUserInformation> users = {
        User("太郎", "PVHOST1", "Parvane2", false, false, 52000),
        User("制御", "PVHOST9", "Ctl", false, true, 0),
        User("花子", "PVHOST2", "Parvane2", true, false, 0),
        User("次郎", "PVHOST3", "Other", false, true, 52000),
    };
    const TUserMenuEntries entries = UserMenuEntries(users);
    EXPECT_EQ(entries.send, (std::vector<TUserMenuEntry>{{"太郎<PVHOST1>", "太郎<PVHOST1>", false},
                                                         {"花子<PVHOST2>", "花子<PVHOST2>", true}}));
    EXPECT_EQ(entries.file, (std::vector<TUserMenuEntry>{{"太郎<PVHOST1>", "太郎<PVHOST1>", false},
                                                         {"次郎<PVHOST3>", "次郎<PVHOST3>", false}}));
}

TEST(UserMenus, AnItemReachesTheFirstUserOfItsCaption)
{
    // Same handle on the same machine, two identifiers.
    const QList<TPVN_LoginUserInformation> users = {User("花子", "PVHOST2", "First", false, false, 0),
                                                    User("花子", "PVHOST2", "Second", true, false, 0)};
    const auto target = UserMenuTarget(users, "花子<PVHOST2>");
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->Discrimination, QStringLiteral("First"));
    EXPECT_FALSE(UserMenuTarget(users, "花子<PVHOST3>").has_value());
}

QStringList Captions(const QMenu& menu)
{
    QStringList sl;
    for (QAction* a : menu.actions())
        sl << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
    return sl;
}

TEST(UserMenus, FilledMenusReplaceTheirOldItemsAndSayNoneWhenEmpty)
{
    QMenu tray, hotKey;
    QStringList slClicked;
    const auto click = [&](const QString& s) { slClicked << s; };
    UserMenuFill(&tray, &hotKey, {{"a<M1>", "a<M1>", false}, {"b<M2>", "b<M2>", true}}, 0, click);
    UserMenuFill(&tray, &hotKey, {{"c<M3>", "c<M3>", false}}, 0, click);
    EXPECT_EQ(Captions(tray), QStringList{"c<M3>"});
    EXPECT_EQ(Captions(hotKey), QStringList{"c<M3>"});
    hotKey.actions()[0]->trigger();
    EXPECT_EQ(slClicked, QStringList{"c<M3>"});
    UserMenuFill(&tray, &hotKey, {}, 0, click);
    EXPECT_EQ(Captions(tray), QStringList{"（なし） (off)"});
    EXPECT_EQ(Captions(hotKey), QStringList{"（なし） (off)"});
}

// The machine name after the handle tells two users of one name apart: a long
// handle (a department and a name) shows whole, a huge one is cut alone, and the
// item still reaches its user.
TEST(UserMenus, ALongHandleIsCutAloneAndTheMachineNameKept)
{
    const QString sDepartment =
        QStringLiteral("東京本社営業本部第二営業部第三課の課長補佐代理の山田花子です");
    const QString sHuge = QStringLiteral("長&").repeated(10000);
    const QList<TPVN_LoginUserInformation> users = {User(sDepartment, "PVHOST2", "Parvane2", false, false, 0),
                                                    User(sHuge, "PVHOST3", "Parvane2", true, false, 0)};
    QMenu tray, hotKey;
    QStringList slClicked;
    UserMenuFill(&tray, &hotKey, UserMenuEntries(users).send, 0, [&](const QString& s) { slClicked << s; });
    for (const QMenu* menu : {&tray, &hotKey}) {
        const QStringList slShown = Captions(*menu);
        ASSERT_EQ(slShown.size(), 2);
        EXPECT_EQ(slShown[0], sDepartment + QStringLiteral("<PVHOST2>"));
        EXPECT_TRUE(slShown[1].startsWith(QStringLiteral("長&&長&&"))) << slShown[1].left(80).toStdString();
        EXPECT_TRUE(slShown[1].endsWith(QStringLiteral("…<PVHOST3>"))) << slShown[1].right(80).toStdString();
        EXPECT_LT(slShown[1].size(), 2 * PeerTextLineMaxBytes);
    }
    tray.actions()[1]->trigger();
    hotKey.actions()[0]->trigger();
    EXPECT_EQ(slClicked, (QStringList{UserMenuCaption(users[1]), UserMenuCaption(users[0])}));
}

TEST(AbsenceMenu, ReleaseSeparatorAndOneRadioItemPerKind)
{
    QMenu menu;
    std::vector<int> tags;
    const auto choose = [&](int i) { tags.push_back(i); };
    AbsenceMenuFill(&menu, {"離席中", "外出中"}, true, "外出中", choose);
    EXPECT_EQ(Captions(menu), (QStringList{"不在解除", "-", "離席中", "外出中"}));
    const QList<QAction*> items = menu.actions();
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_FALSE(items[2]->isChecked());
    EXPECT_TRUE(items[3]->isChecked());
    items[0]->trigger();
    items[2]->trigger();
    EXPECT_EQ(tags, (std::vector<int>{-1, 0}));

    AbsenceMenuFill(&menu, {"離席中"}, false, "離席中", choose);
    EXPECT_EQ(Captions(menu), (QStringList{"不在解除", "-", "離席中"}));
    EXPECT_TRUE(menu.actions()[0]->isChecked());
    EXPECT_FALSE(menu.actions()[2]->isChecked());

    AbsenceMenuFill(&menu, {}, true, "離席中", choose);
    EXPECT_EQ(Captions(menu), QStringList{"（不在設定なし） (off)"});
    EXPECT_FALSE(menu.actions()[0]->isChecked());
}

TEST(AbsenceMenu, KindsEndAtTheFirstEmptyTitle)
{
    const TAbsenceMessage saved = AbsenceMessage;
    for (auto& kind : AbsenceMessage)
        kind = {QStringLiteral("x"), QStringLiteral("y")};
    EXPECT_EQ(AbsenceKindTitles().size(), 100);
    AbsenceMessage[2].sTitle.clear();
    EXPECT_EQ(AbsenceKindTitles(), (QStringList{"x", "x"}));
    AbsenceMessage = saved;
}

TEST(TaskMenu, HideSettingsAsATable)
{
    using V = TTaskMenuVisibility;
    const struct {
        const char* sName;
        TTaskHideSettings hide;
        V shown;
    } cases[] = {
        {"NothingHidden", {}, V{}},
        {"LogOnly", {.bLog = true}, {.bLog = false}},
        {"ThreeOfFourKeepTheSeparator",
         {.bSend = true, .bFileSend = true, .bChat = true},
         {.bSend = false, .bFileSend = false, .bChat = false}},
        {"AllFourTakeTheSeparator",
         {.bSend = true, .bFileSend = true, .bChat = true, .bGlobalChat = true},
         {.bSend = false, .bFileSend = false, .bChat = false, .bGlobalChat = false, .bLine4 = false}},
        {"AbsenceTakesItsSeparator", {.bAbsence = true}, {.bAbsence = false, .bLine3 = false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TaskMenuVisibility(c.hide), c.shown) << c.sName;
}

TEST(TaskMenu, HiddenItemsComeBackWhenTheirSettingIsOff)
{
    TTaskMenu menu(nullptr);
    menu.pmTaskMenuPopup({.bLog = true,
                          .bSend = true,
                          .bFileSend = true,
                          .bChat = true,
                          .bGlobalChat = true,
                          .bAbsence = true});
    for (QAction* a :
         {menu.miTaskLog, menu.miTaskSend->menuAction(), menu.miTaskFileSend->menuAction(), menu.miTaskChat,
          menu.miTaskGlobalChat, menu.miTaskLine4, menu.miTaskAbsence->menuAction(), menu.miTaskLine3})
        EXPECT_FALSE(a->isVisible()) << qPrintable(a->text());
    EXPECT_TRUE(menu.miTaskOption->isVisible());
    EXPECT_TRUE(menu.miTaskLine1->isVisible());
    menu.pmTaskMenuPopup({});
    for (QAction* a : menu.actions())
        EXPECT_TRUE(a->isVisible()) << qPrintable(a->text());
    EXPECT_EQ(Captions(menu),
              (QStringList{"オプション(&O)", "ログビューア(&L)", "-", "メッセージ送信(&S)",
                           "ファイル送信(&F)", "チャット(&C)", "グローバル チャット(&G)", "-", "不在(&A)",
                           "-", "ヘルプ(&H)", "バージョン情報(&V)", "-", "終了(&X)"}));
}

} // namespace
