// The program in host 1 of a test LAN with a colleague (a pvnpeer copy) in host 2,
// beside whom a machine gives its datagrams any source address: log-outs,
// changes, a flood of log-ins and read notices that the colleague never sent.
#include "LoginUserRow.h"
#include "MainFormFixture.h"
#include "PeerProcess.h"
#include "RecordSender.h"
#include "RecordingWindows.h"
#include "RecvUnit.h"
#include "SendUnit.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kColleague = QStringLiteral("PVHOST2");
const QString kId = QStringLiteral("Parvane2");
// An address no host of the LAN holds.
const QString kForeign = QStringLiteral("198.18.0.9");

class ForgedPresenceLanTest : public MainFormLanFixture {
protected:
    void SetUp() override
    {
        // Made first: making it leaves the thread outside the LAN, and the
        // fixture's set-up then moves it into host 1 for the program.
        if (LanReady())
            FForger = std::make_unique<TestSupport::RecordSender>(*FLan, 1, kForeign);
        MainFormLanFixture::SetUp();
    }

    void CloseWindows() override
    {
        for (const QString& sEntry : QStringList(SendWindowList))
            SendMessageW(WindowListHandle(sEntry), WM_CLOSE, 0, 0);
        RecvFormRelease();
    }

    // The user 太郎 logged in, the notices recorded in place of shown.
    TMainForm& StartUser()
    {
        WriteIni("[Option]\r\nHandleName=Taro\r\nCustomizeStartVersionCheck=0\r\n");
        auto [windows, calls] = TestSupport::RecordingWindowsMade({"NoticeAdd", "EventSoundPlay"});
        FCalls = calls;
        TMainForm& form = Start(std::move(windows));
        EXPECT_TRUE(OwnRowListed());
        return form;
    }

    // The colleague 花子 logged in, listed by the user and listing the user in turn,
    // so that either may write to the other.
    void ColleagueListed()
    {
        ASSERT_TRUE(FColleague.StartLoggedIn(*FLan, 1, QStringLiteral("花子")));
        ASSERT_TRUE(WaitUntil([&] { return FForm->LoginUserFind(kColleague, kId) != nullptr; }, 10000));
        ASSERT_TRUE(WaitUntil([&] { return FColleague.Get("LoginCount") == "2"; }, 10000));
    }

    // The colleague writes to the user; true once it waits unread. Sent after a
    // forgery, it shows that the program has read the forgery too.
    bool ColleagueWrites(const QString& sText)
    {
        const int iBefore = MessageRecvQueue.Count();
        const QString sId = FColleague.Call("MessageSend", {sText, FLan->MachineName(0), kId, "0"});
        return !sId.isEmpty() && sId != QStringLiteral("?") &&
               WaitUntil([&] { return MessageRecvQueue.Count() > iBefore; }, 10000);
    }

    // The user opens the message and replies; the reply reaches the colleague.
    testing::AssertionResult ReplyReachesTheColleague(const QString& sText)
    {
        FForm->miMessageRecvClick();
        if (!RecvForm)
            return testing::AssertionFailure() << "no receive window";
        RecvForm->btReturnClick();
        if (SendWindowList.isEmpty())
            return testing::AssertionFailure() << "no send window";
        return SendReachesTheColleague(
            qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(SendWindowList.last()))),
            sText);
    }

    // The user writes sText in the send window and sends it; it reaches the colleague,
    // whose identifier of it lands in pId when given.
    testing::AssertionResult SendReachesTheColleague(TSendForm* send, const QString& sText,
                                                     QString* pId = nullptr)
    {
        send->mmSendMessage->setPlainText(sText);
        FColleague.ForgetEvents();
        send->btSend->click();
        if (!FBoxes.empty())
            return testing::AssertionFailure() << "sending failed: " << qPrintable(FBoxes.back().sText);
        for (;;) {
            const auto shown = FColleague.WaitEvent(QStringLiteral("OnMessage"));
            if (!shown)
                return testing::AssertionFailure() << "the colleague never got it";
            if (shown->value(0) != sText)
                continue;
            if (pId)
                *pId = shown->value(1);
            return testing::AssertionSuccess();
        }
    }

    QStringList Notices() const { return FCalls->Firsts("NoticeAdd"); }

    TestSupport::PeerProcess FColleague;
    std::shared_ptr<TestSupport::WindowCalls> FCalls;
    // A machine in host 2 that sends as kForeign unless a send says otherwise.
    std::unique_ptr<TestSupport::RecordSender> FForger;
};

QString ColleagueProfile(const QString& sHandle, const QString& sAddress, const QString& sAbsence,
                         const QString& sTitle)
{
    return QStringLiteral("%1&|2200&|%2&|0&|0&|52000&|%3\r\n&|%4").arg(sHandle, sAbsence, sAddress, sTitle);
}

// A log-out in the colleague's name from an address that is none of theirs
// leaves them listed, without a notice, and the user's reply reaches them.
TEST_F(ForgedPresenceLanTest, AForgedLogOutLeavesTheColleagueListedAndAnswered)
{
    TMainForm& form = StartUser();
    ASSERT_NO_FATAL_FAILURE(ColleagueListed());
    TestSupport::RecordSender& forger = *FForger;
    ASSERT_TRUE(forger.Send(QStringLiteral("PVMESSAGE:LOGOUT&|%1&|%2").arg(kColleague, kId)));
    ASSERT_TRUE(ColleagueWrites(QStringLiteral("お昼に行きませんか")));

    EXPECT_NE(form.LoginUserFind(kColleague, kId), nullptr);
    EXPECT_FALSE(Notices().contains(NoticeLogoutText(QStringLiteral("花子"))));
    EXPECT_TRUE(ReplyReachesTheColleague(QStringLiteral("行きましょう")));
}

// A change in the colleague's name from a foreign address changes neither their
// row nor anything the user hears; the colleague's own change still counts.
TEST_F(ForgedPresenceLanTest, AForgedChangeFromAForeignAddressChangesNothing)
{
    TMainForm& form = StartUser();
    ASSERT_NO_FATAL_FAILURE(ColleagueListed());
    const QString sCaption = form.LoginUserFind(kColleague, kId)->Caption();
    const QStringList slCells = form.LoginUserFind(kColleague, kId)->SubItems();

    TestSupport::RecordSender& forger = *FForger;
    ASSERT_TRUE(
        forger.Send(QStringLiteral("PVMESSAGE:INFO_CHANGE&|%1&|%2&|%3&|").arg(kColleague, kId, kForeign) +
                    ColleagueProfile(QStringLiteral("偽名"), kForeign, "1", QStringLiteral("帰宅"))));
    ASSERT_TRUE(ColleagueWrites(QStringLiteral("目印")));

    const TListItem* row = form.LoginUserFind(kColleague, kId);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Caption(), sCaption);
    EXPECT_EQ(row->SubItems(), slCells);
    EXPECT_EQ(form.LoginUserHandle(kColleague, kId), QStringLiteral("花子"));
    for (const QString& sNotice : Notices())
        EXPECT_FALSE(sNotice.contains(QStringLiteral("偽名"))) << qPrintable(sNotice);

    ASSERT_TRUE(FColleague.Set("AbsenceTitle", "電話中"));
    ASSERT_TRUE(FColleague.Set("Absence", "1"));
    ASSERT_EQ(FColleague.Call("InformationUpdate"), "1");
    EXPECT_TRUE(WaitUntil([&] {
        return form.LoginUserFind(kColleague, kId)->SubItems().value(0) == QStringLiteral("電話中");
    }));
}

// A log-in in the colleague's name from a new address is how a colleague whose
// address changed announces it: the row moves there, and from there their log-out counts.
TEST_F(ForgedPresenceLanTest, ALogInFromANewAddressMovesTheRowThere)
{
    TMainForm& form = StartUser();
    ASSERT_NO_FATAL_FAILURE(ColleagueListed());
    const QString sNew = QStringLiteral("198.18.0.77");
    ASSERT_TRUE(FForger->Send(QStringLiteral("PVMESSAGE:LOGIN&|%1&|%2&|%3&|").arg(kColleague, sNew, kId) +
                                  ColleagueProfile(QStringLiteral("花子"), sNew, "0", QString()),
                              sNew));
    EXPECT_TRUE(WaitUntil([&] { return form.LoginUserFind(kColleague, kId)->SubItems().value(6) == sNew; }));

    ASSERT_TRUE(FForger->Send(QStringLiteral("PVMESSAGE:LOGOUT&|%1&|%2").arg(kColleague, kId), sNew));
    EXPECT_TRUE(WaitUntil([&] { return form.LoginUserFind(kColleague, kId) == nullptr; }));
    EXPECT_EQ(Notices().last(), NoticeLogoutText(QStringLiteral("花子")));
}

// Three hundred log-ins of made-up machines from four addresses, before and
// after the user refreshes the list: a colleague who logs in later is listed
// and answered, and the four addresses hold only a few rows each.
TEST_F(ForgedPresenceLanTest, AColleagueWhoLogsInDuringAFloodOfLogInsIsListedAndAnswered)
{
    TMainForm& form = StartUser();
    ASSERT_TRUE(FColleague.StartCopy(*FLan, 1, QStringLiteral("花子")));
    TestSupport::RecordSender& forger = *FForger;
    int iSent = 0;
    auto flood = [&](int iCount) {
        for (int i = 0; i < iCount; ++i, ++iSent) {
            const QString sSource = QStringLiteral("198.18.0.%1").arg(50 + iSent % 4);
            ASSERT_TRUE(forger.Send(
                QStringLiteral("PVMESSAGE:LOGIN&|偽機%1&|%2&|%3&|").arg(iSent).arg(sSource, kId) +
                    ColleagueProfile(QStringLiteral("偽者%1").arg(iSent), sSource, "0", QString()),
                sSource));
            // Every so often a message shows that the program has read all before it.
            if (iSent % 25 == 24) {
                const int iBefore = MessageRecvQueue.Count();
                ASSERT_TRUE(
                    forger.Send(QStringLiteral("PVMESSAGE:MESSAGE&|%1&|%2&|印&|印機&|%3&|%2&|MARK%4&|印&|0")
                                    .arg(FLan->Address(0), kId, kForeign)
                                    .arg(iSent, 8, 10, QLatin1Char('0'))));
                ASSERT_TRUE(WaitUntil([&] { return MessageRecvQueue.Count() > iBefore; }, 10000)) << iSent;
            }
        }
    };
    auto toColleague = [&] { return SendFormShow(QString(), true, kColleague, kId, form.Services()); };
    ASSERT_NO_FATAL_FAILURE(flood(300));
    ASSERT_EQ(FColleague.Call("Login"), "1");
    ASSERT_TRUE(WaitUntil([&] { return form.LoginUserFind(kColleague, kId) != nullptr; }, 10000));
    const int iRowsAtMost = 2 + 4 * TParvaneNetwork::LoginUserPerAddressMax;
    EXPECT_LE(form.lvLoginUser->ItemCount(), iRowsAtMost);
    EXPECT_TRUE(SendReachesTheColleague(toColleague(), QStringLiteral("聞こえますか")));

    // The refresh empties the list; the colleague's answer comes amid the flood.
    form.miOptionRefreshClick();
    ASSERT_NO_FATAL_FAILURE(flood(300));
    EXPECT_TRUE(WaitUntil([&] { return form.LoginUserFind(kColleague, kId) != nullptr; }, 10000));
    EXPECT_LE(form.lvLoginUser->ItemCount(), iRowsAtMost);
    EXPECT_TRUE(SendReachesTheColleague(toColleague(), QStringLiteral("まだ聞こえますか")));
}

// Read notices for messages this copy never sent, or sent to another machine,
// from a machine that is not listed, show nothing; the colleague's real one shows once.
TEST_F(ForgedPresenceLanTest, OnlyAReadNoticeForAMessageSentToItsReaderIsShown)
{
    StartUser();
    ASSERT_NO_FATAL_FAILURE(ColleagueListed());
    QString sSentId;
    ASSERT_TRUE(SendReachesTheColleague(SendFormShow(QString(), true, kColleague, kId, FForm->Services()),
                                        QStringLiteral("資料を送ります"), &sSentId));
    ASSERT_FALSE(sSentId.isEmpty());

    TestSupport::RecordSender& forger = *FForger;
    const QString sOwn = FLan->Address(0);
    const struct {
        const char* sWhat;
        QString sMachine;
        QString sId;
    } forged[] = {
        {"never sent", QStringLiteral("PVHOST9"), QStringLiteral(" 1 2  3    4")},
        {"sent to another machine", QStringLiteral("PVHOST9"), sSentId},
    };
    for (const auto& f : forged)
        ASSERT_TRUE(forger.Send(QStringLiteral("PVMESSAGE:OPEN_CHECK&|%1&|%2&|社長&|%3&|%2&|%4")
                                    .arg(sOwn, kId, f.sMachine, f.sId)))
            << f.sWhat;
    ASSERT_EQ(FColleague.Call("MessageOpen", {sSentId, FLan->MachineName(0), kId}), "1");
    const QString sOpened = NoticeMessageOpenText(QStringLiteral("花子"));
    ASSERT_TRUE(WaitUntil([&] { return Notices().contains(sOpened); }));
    EXPECT_FALSE(Notices().contains(NoticeMessageOpenText(QStringLiteral("社長"))));
    // The same notice again, as a repeat would bring it, shows nothing more.
    ASSERT_EQ(FColleague.Call("MessageOpen", {sSentId, FLan->MachineName(0), kId}), "1");
    ASSERT_TRUE(ColleagueWrites(QStringLiteral("目印")));
    EXPECT_EQ(Notices().count(sOpened), 1);
}

} // namespace
