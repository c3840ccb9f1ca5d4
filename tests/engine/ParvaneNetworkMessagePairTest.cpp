// Messages, receipts and requests between two engines: one in this process in
// host 1, the other a pvnpeer process in host 2.
#include "AnsiCodePage.h"
#include "EngineTestSupport.h"
#include "LanSuite.h"
#include "MessageTestSupport.h"
#include "ParvaneNetwork.h"
#include "ParvaneNetworkSeam.h"
#include "PeerProcess.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

namespace {

using EngineTest::WaitUntil;
using TestSupport::PeerProcess;

const QString kId = QStringLiteral("Parvane2");
const QString kOk = QStringLiteral("1");
// Long enough for any receipt on the LAN, short enough to wait out in a test.
constexpr int kTimeoutMs = 1500;

// A receive time: 2011年08月29日 午前 12時05分09秒.
const QRegularExpression
    kReceiveTime(QStringLiteral("^\\d{4}年\\d{2}月\\d{2}日 午[前後] ([1-9]|1[0-2])時\\d{2}分\\d{2}秒$"));

class MessagePair : public TestSupport::LanSuite<2> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EnterHost(0));
        A = std::make_unique<TParvaneNetwork>();
        A->SetDiscrimination(kId);
        A->SetVersion(2200);
        ASSERT_TRUE(A->ServiceStart());
        A->SetHandleName(QStringLiteral("太郎"));
        TParvaneNetworkSeam::SetSendTimeout(*A, kTimeoutMs);
        RecordMessageEvents(*A, events);

        ASSERT_TRUE(B.StartCopy(*FLan, 1, "花子"));

        ASSERT_TRUE(A->Login());
        ASSERT_EQ(B.Call("Login"), kOk);
        ASSERT_TRUE(WaitUntil([this] { return A->LoginCount() == 2 && B.Get("LoginCount") == "2"; }, 5000));
        B.ForgetEvents();
    }

    void TearDown() override
    {
        A.reset();
        LeaveHost();
    }

    QStringList EventsStartingWith(const QString& sPrefix) const
    {
        QStringList out;
        for (const QString& e : events) {
            if (e.startsWith(sPrefix))
                out.append(e);
        }
        return out;
    }
    bool AwaitEvent(const QString& sPrefix)
    {
        return WaitUntil([&] { return !EventsStartingWith(sPrefix).isEmpty(); });
    }

    std::unique_ptr<TParvaneNetwork> A;
    PeerProcess B;
    QStringList events;
};

TEST_F(MessagePair, MessageAndLetterArriveAndAreAcknowledged)
{
    for (bool letter : {false, true}) {
        SCOPED_TRACE(letter ? "letter" : "message");
        events.clear();
        const QString text = letter ? QStringLiteral("封をした手紙") : QStringLiteral("こんにちは\r\n元気?");
        const QString id = A->MessageSend(text, QStringLiteral("PVHOST2"), kId, letter);
        ASSERT_EQ(id.size(), 12);

        const auto shown = B.WaitEvent("OnMessage");
        ASSERT_TRUE(shown);
        ASSERT_EQ(shown->size(), 7);
        EXPECT_EQ(shown->mid(0, 6), (QStringList{text, id, letter ? "1" : "0", "太郎", "PVHOST1", kId}));
        EXPECT_TRUE(kReceiveTime.match(shown->at(6)).hasMatch()) << qPrintable(shown->at(6));

        ASSERT_TRUE(AwaitEvent("MessageOk"));
        EXPECT_EQ(EventsStartingWith("MessageOk"), QStringList{"MessageOk|" + id + "|花子|PVHOST2|Parvane2"});
    }
    EngineTest::PumpFor(kTimeoutMs + 300);
    EXPECT_TRUE(EventsStartingWith("ErrorSend").isEmpty()) << qPrintable(events.join("\n"));
}

TEST_F(MessagePair, TheOtherWayRoundTheSenderGetsItsReceipt)
{
    const QString id = B.Call("MessageSend", {"返事です", "198.18.0.1", kId, "0"});
    ASSERT_EQ(id.size(), 12);
    ASSERT_TRUE(AwaitEvent("Message|"));
    const QStringList shown = EventsStartingWith("Message|");
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().startsWith("Message|返事です|" + id + "|0|花子|PVHOST2|Parvane2|"));
    EXPECT_EQ(B.WaitEvent("OnMessageOk"), (QStringList{id, "太郎", "PVHOST1", kId}));
}

TEST_F(MessagePair, LongJapaneseTextCrossesInFragmentsPlainAndScrambled)
{
    // 2048 bytes in the code page, the most a message may hold.
    const QString text = QStringLiteral("あいうえお漢字カナ").repeated(114).left(1024);
    ASSERT_EQ(AnsiCodePage::ByteLength(text), 2048);
    for (bool scrambled : {false, true}) {
        SCOPED_TRACE(scrambled ? "scrambled" : "plain");
        events.clear();
        A->SetSecurity(scrambled);
        ASSERT_TRUE(B.Set("Security", scrambled ? "1" : "0"));

        const QString there = A->MessageSend(text, QStringLiteral("PVHOST2"), kId, false);
        ASSERT_FALSE(there.isEmpty());
        const auto shown = B.WaitEvent("OnMessage");
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->value(0), text);
        EXPECT_EQ(shown->value(1), there);
        ASSERT_TRUE(AwaitEvent("MessageOk"));

        const QString back = B.Call("MessageSend", {text, "PVHOST1", kId, "1"});
        ASSERT_FALSE(back.isEmpty());
        ASSERT_TRUE(AwaitEvent("Message|"));
        EXPECT_EQ(EventsStartingWith("Message|").first().section('|', 1, 3), text + "|" + back + "|1");
        EXPECT_EQ(B.WaitEvent("OnMessageOk"), (QStringList{back, "太郎", "PVHOST1", kId}));
    }
}

TEST_F(MessagePair, ReadNoticeReachesTheSender)
{
    const QString id = A->MessageSend(QStringLiteral("読んだら教えて"), QStringLiteral("PVHOST2"), kId, true);
    ASSERT_TRUE(B.WaitEvent("OnMessage"));
    EXPECT_EQ(B.Call("MessageOpen", {id, "PVHOST1", kId}), kOk);
    ASSERT_TRUE(AwaitEvent("MessageOpen"));
    EXPECT_EQ(EventsStartingWith("MessageOpen"), QStringList{"MessageOpen|" + id + "|花子|PVHOST2|Parvane2"});
}

TEST_F(MessagePair, AwayMessageIsAskedForAndAnswered)
{
    ASSERT_TRUE(A->AbsenceRequest(QStringLiteral("PVHOST2"), kId));
    ASSERT_TRUE(AwaitEvent("AbsenceMessage"));
    QStringList answer = EventsStartingWith("AbsenceMessage");
    ASSERT_EQ(answer.size(), 1);
    EXPECT_TRUE(answer.first().startsWith("AbsenceMessage|Nothing|花子|PVHOST2|Parvane2|"));

    events.clear();
    ASSERT_TRUE(B.Set("Absence", "1"));
    ASSERT_TRUE(B.Set("AbsenceTitle", "食事"));
    ASSERT_TRUE(B.Set("AbsenceMessage", "昼食に出ています\r\n一時に戻ります"));
    ASSERT_TRUE(A->AbsenceRequest(QStringLiteral("198.18.0.2"), kId));
    ASSERT_TRUE(AwaitEvent("AbsenceMessage"));
    answer = EventsStartingWith("AbsenceMessage");
    ASSERT_EQ(answer.size(), 1);
    const QStringList fields = answer.first().split('|');
    EXPECT_EQ(fields.mid(0, 5),
              (QStringList{"AbsenceMessage", "昼食に出ています\r\n一時に戻ります", "花子", "PVHOST2", kId}));
    EXPECT_TRUE(kReceiveTime.match(fields.value(5)).hasMatch()) << qPrintable(fields.value(5));
}

TEST_F(MessagePair, MenuRequestIsRefused)
{
    ASSERT_TRUE(A->MenuRequest(QStringLiteral("PVHOST2"), kId));
    ASSERT_TRUE(AwaitEvent("MenuNothing"));
    EXPECT_EQ(EventsStartingWith("MenuNothing"), QStringList{"MenuNothing|花子|PVHOST2|Parvane2"});
    EXPECT_EQ(B.CountEvents("OnMenuRequest"), 0);
}

TEST_F(MessagePair, InputRecordsRaiseTheirEventsAtThePeer)
{
    ASSERT_TRUE(A->InputSelect("どれにしますか", "赤\r\n青", "青", "sel", "PVHOST2", kId));
    EXPECT_EQ(B.WaitEvent("OnInputSelect"),
              (QStringList{"どれにしますか", "赤\r\n青", "青", "sel", "太郎", "PVHOST1", kId}));
    ASSERT_TRUE(A->InputLine("合言葉", "", "line", "PVHOST2", kId, true));
    EXPECT_EQ(B.WaitEvent("OnInputLine"), (QStringList{"合言葉", "", "line", "太郎", "PVHOST1", kId, "1"}));
    ASSERT_TRUE(A->InputText("感想をどうぞ", "text", "PVHOST2", kId));
    EXPECT_EQ(B.WaitEvent("OnInputText"), (QStringList{"感想をどうぞ", "text", "太郎", "PVHOST1", kId}));
    ASSERT_TRUE(A->InputMessage("お知らせ", "PVHOST2", kId));
    const auto notice = B.WaitEvent("OnInputMessage");
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->mid(0, 4), (QStringList{"お知らせ", "太郎", "PVHOST1", kId}));
    EXPECT_TRUE(kReceiveTime.match(notice->value(4)).hasMatch());

    EXPECT_EQ(B.Call("InputReturn", {"sel", "青", "PVHOST1", kId}), kOk);
    ASSERT_TRUE(AwaitEvent("InputReturn"));
    EXPECT_EQ(EventsStartingWith("InputReturn"), QStringList{"InputReturn|sel|青|花子|PVHOST2|Parvane2"});
}

TEST_F(MessagePair, APeerThatLoggedOutLeavesTheMessageUnanswered)
{
    ASSERT_EQ(B.Call("Logout"), kOk);
    ASSERT_TRUE(WaitUntil([this] { return A->LoginCount() == 1; }));
    // Its address still works as a destination; its machine name is no longer listed.
    EXPECT_TRUE(A->MessageSend(QStringLiteral("もしもし"), QStringLiteral("PVHOST2"), kId, false).isEmpty());
    const QString id = A->MessageSend(QStringLiteral("もしもし"), QStringLiteral("198.18.0.2"), kId, false);
    ASSERT_FALSE(id.isEmpty());
    ASSERT_TRUE(WaitUntil([this] { return !EventsStartingWith("ErrorSend").isEmpty(); }, kTimeoutMs + 3000));
    EngineTest::PumpFor(300);
    EXPECT_EQ(EventsStartingWith("ErrorSend"),
              QStringList{"ErrorSend|もしもし|" + id + "|198.18.0.2|Parvane2"});
    EXPECT_EQ(B.CountEvents("OnMessage"), 0);
}

} // namespace
