// The addressed records of one engine in host 1, checked byte by byte against
// a scripted raw socket in host 2.
#include "AnsiCodePage.h"
#include "LanSuite.h"
#include "MessageTestSupport.h"
#include "ParvaneNetwork.h"
#include "ParvaneNetworkSeam.h"
#include "ScriptedPeer.h"
#include "SystemClock.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>

namespace {

using TestSupport::PumpFor;
using TestSupport::WaitUntil;

const QString kOwnId = QStringLiteral("Parvane2");
const QString kPeerId = QStringLiteral("PeerApp");
const QString kOwnHandle = QStringLiteral("送信者");
const QString kPeerHandle = QStringLiteral("相手");
// Short enough for quick tests, long enough that a receipt on the LAN always beats it.
constexpr int kShortTimeoutMs = 400;
constexpr int kQuietMs = 600;

class MessageWireTest : public TestSupport::LanSuite<2> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LanReady());
        peer = std::make_unique<ScriptedPeer>(*FLan, 1);
        ASSERT_TRUE(peer->IsOpen());
        own = FLan->Address(0);
        other = FLan->Address(1);
        ASSERT_TRUE(EnterHost(0));
        engine = std::make_unique<TParvaneNetwork>();
        engine->SetDiscrimination(kOwnId);
        engine->SetVersion(2200);
        engine->SetFTPPortNo(0);
        ASSERT_TRUE(engine->ServiceStart());
        engine->SetHandleName(kOwnHandle);
        RecordMessageEvents(*engine, events);
        ASSERT_TRUE(engine->Login());
        ASSERT_TRUE(WaitUntil([this] { return engine->LoginCount() == 1; }));
        PeerLogin(FLan->MachineName(1));
        ASSERT_TRUE(WaitUntil([this] { return engine->LoginCount() == 2; }));
        peer->Received().clear();
    }

    void TearDown() override
    {
        engine.reset();
        LeaveHost();
        SystemClock::SetNowSource({});
        peer.reset();
    }

    void PeerLogin(const QString& sMachine)
    {
        ASSERT_TRUE(peer->Send(QStringLiteral("PVMESSAGE:LOGIN&|%1&|%2&|%3&|%4&|2200&|0&|0&|0&|0&|%2\r\n&|")
                                   .arg(sMachine, other, kPeerId, kPeerHandle)));
    }

    // The first record with sKeyword that reaches the peer within a few seconds.
    std::optional<ScriptedPeer::Record> Await(const QString& sKeyword)
    {
        WaitUntil([&] {
            peer->Poll();
            return !peer->WithKeyword(sKeyword).isEmpty();
        });
        const auto found = peer->WithKeyword(sKeyword);
        if (found.isEmpty())
            return std::nullopt;
        return found.first();
    }

    // Lets the LAN settle and tells whether any record with sKeyword reached the peer.
    bool PeerHeard(const QString& sKeyword)
    {
        WaitUntil(
            [&] {
                peer->Poll();
                return false;
            },
            kQuietMs);
        return !peer->WithKeyword(sKeyword).isEmpty();
    }

    bool AwaitEvent(const QString& sPrefix, int iCount = 1)
    {
        return WaitUntil([&] { return EventsStartingWith(sPrefix).size() >= iCount; });
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

    // A clock that stands at 2011-08-29 00:05:09 and moves one millisecond per reading,
    // so ids stay unique while the receive time is known.
    void FixClock()
    {
        auto ticks = std::make_shared<int>(0);
        SystemClock::SetNowSource(
            [ticks] { return QDateTime(QDate(2011, 8, 29), QTime(0, 5, 9)).addMSecs((*ticks)++); });
    }
    const QString kFixedReceiveTime = QStringLiteral("2011年08月29日 午前 12時05分09秒");

    std::unique_ptr<ScriptedPeer> peer;
    std::unique_ptr<TParvaneNetwork> engine;
    QString own;
    QString other;
    QStringList events;
};

TEST_F(MessageWireTest, MessageGoesOutAddressedAndItsReceiptEndsTheWait)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString id = engine->MessageSend(QStringLiteral("こんにちは"), FLan->MachineName(1), kPeerId, true);
    ASSERT_EQ(id.size(), 12);

    const auto record = Await(QStringLiteral("PVMESSAGE:MESSAGE"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Sender, own);
    EXPECT_EQ(record->Text,
              QStringLiteral("PVMESSAGE:MESSAGE&|%1&|PeerApp&|送信者&|PVHOST1&|%2&|Parvane2&|%3&|"
                             "こんにちは&|1")
                  .arg(other, own, id));
    ASSERT_EQ(record->Datagrams.size(), 1);
    const QByteArray wire = record->Datagrams.first();
    const QByteArray text = AnsiCodePage::Encode(QString(record->PacketId + record->Text));
    EXPECT_EQ(wire, QByteArray("\x01") + "0" + QByteArray::number(text.size()).rightJustified(5, ' ') + text +
                        QByteArray(1, '\0'));

    ASSERT_TRUE(peer->Send(
        QStringLiteral("PVMESSAGE:MESSAGE_OK&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|%2").arg(own, id)));
    ASSERT_TRUE(AwaitEvent("MessageOk"));
    EXPECT_EQ(events.filter("MessageOk"),
              QStringList{QStringLiteral("MessageOk|%1|相手|PVHOST2|PeerApp").arg(id)});
    PumpFor(kShortTimeoutMs + 300);
    EXPECT_TRUE(EventsStartingWith("ErrorSend").isEmpty());
}

TEST_F(MessageWireTest, ReceivedMessageIsShownAndAcknowledgedToItsSender)
{
    FixClock();
    ASSERT_TRUE(peer->Send(QStringLiteral("PVMESSAGE:MESSAGE&|%1&|Parvane2&|相手&|PVHOST2&|%2&|PeerApp&|"
                                          " 1 2  3    4&|封書です\r\n二行目&|1")
                               .arg(own, other)));
    ASSERT_TRUE(AwaitEvent("Message|"));
    EXPECT_EQ(EventsStartingWith("Message|"),
              QStringList{QStringLiteral("Message|封書です\r\n二行目| 1 2  3    4|1|相手|PVHOST2|PeerApp|") +
                          kFixedReceiveTime});

    const auto ok = Await(QStringLiteral("PVMESSAGE:MESSAGE_OK"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->Text,
              QStringLiteral("PVMESSAGE:MESSAGE_OK&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&| 1 2  3    4")
                  .arg(other));
}

struct ReceiveCase {
    const char* Name;
    const char* Record; // %1 own address, %2 peer address
    bool Shown;
    bool Acknowledged;
};

void PrintTo(const ReceiveCase& c, std::ostream* os)
{
    *os << c.Name;
}

class MessageReceiveCases : public MessageWireTest, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(MessageReceiveCases, OnlyMessagesForThisCopyAreShownAndOnlyAnswerableOnesAcknowledged)
{
    const ReceiveCase& c = GetParam();
    ASSERT_TRUE(peer->Send(QString::fromUtf8(c.Record).arg(own, other)));
    const bool acknowledged = PeerHeard(QStringLiteral("PVMESSAGE:MESSAGE_OK"));
    EXPECT_EQ(!EventsStartingWith("Message|").isEmpty(), c.Shown);
    EXPECT_EQ(acknowledged, c.Acknowledged);
}

const ReceiveCase kReceiveCases[] = {
    {"Plain", "PVMESSAGE:MESSAGE&|%1&|Parvane2&|h&|PVHOST2&|%2&|PeerApp&|id0000000001&|hello&|0", true, true},
    {"EmptySenderAddress", "PVMESSAGE:MESSAGE&|%1&|Parvane2&|h&|PVHOST2&|&|PeerApp&|id0000000002&|hello&|0",
     true, false},
    {"OtherIdentifierSameAddress",
     "PVMESSAGE:MESSAGE&|%1&|Parvane3&|h&|PVHOST2&|%2&|PeerApp&|id0000000003&|hello&|0", false, false},
    {"OtherAddress",
     "PVMESSAGE:MESSAGE&|198.18.0.9&|Parvane2&|h&|PVHOST2&|%2&|PeerApp&|id0000000004&|hello&|0", false,
     false},
    {"IdentifierCaseDiffers",
     "PVMESSAGE:MESSAGE&|%1&|parvane2&|h&|PVHOST2&|%2&|PeerApp&|id0000000005&|hello&|0", false, false},
};

INSTANTIATE_TEST_SUITE_P(Messages, MessageReceiveCases, ::testing::ValuesIn(kReceiveCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MessageWireTest, UnansweredMessageIsReportedOnceAndALateReceiptStillArrives)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString id = engine->MessageSend(QStringLiteral("届かない"), other, kPeerId, false);
    ASSERT_FALSE(id.isEmpty());
    ASSERT_TRUE(AwaitEvent("ErrorSend"));
    PumpFor(kShortTimeoutMs + 300);
    EXPECT_EQ(EventsStartingWith("ErrorSend"),
              QStringList{QStringLiteral("ErrorSend|届かない|%1|%2|PeerApp").arg(id, other)});

    ASSERT_TRUE(peer->Send(
        QStringLiteral("PVMESSAGE:MESSAGE_OK&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|%2").arg(own, id)));
    ASSERT_TRUE(AwaitEvent("MessageOk"));
    EXPECT_EQ(EventsStartingWith("MessageOk"),
              QStringList{QStringLiteral("MessageOk|%1|相手|PVHOST2|PeerApp").arg(id)});
    EXPECT_EQ(EventsStartingWith("ErrorSend").size(), 1);
}

TEST_F(MessageWireTest, TheSlotReportsTheDestinationAsTheCallerGaveIt)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString id = engine->MessageSend(QStringLiteral("x"), FLan->MachineName(1), kPeerId, false);
    ASSERT_FALSE(id.isEmpty());
    ASSERT_TRUE(AwaitEvent("ErrorSend"));
    EXPECT_EQ(EventsStartingWith("ErrorSend"),
              QStringList{QStringLiteral("ErrorSend|x|%1|PVHOST2|PeerApp").arg(id)});
}

TEST_F(MessageWireTest, AReceiptFreesOnlyTheSlotOfItsIdentifier)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString first = engine->MessageSend(QStringLiteral("one"), other, kPeerId, false);
    const QString second = engine->MessageSend(QStringLiteral("two"), other, kPeerId, false);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    ASSERT_NE(first, second);
    ASSERT_TRUE(peer->Send(
        QStringLiteral("PVMESSAGE:MESSAGE_OK&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|%2").arg(own, second)));
    ASSERT_TRUE(AwaitEvent("ErrorSend"));
    PumpFor(kShortTimeoutMs + 300);
    EXPECT_EQ(EventsStartingWith("ErrorSend"),
              QStringList{QStringLiteral("ErrorSend|one|%1|%2|PeerApp").arg(first, other)});
}

TEST_F(MessageWireTest, AReceiptForAnotherCopyDoesNotEndTheWait)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString id = engine->MessageSend(QStringLiteral("x"), other, kPeerId, false);
    ASSERT_FALSE(id.isEmpty());
    ASSERT_TRUE(peer->Send(
        QStringLiteral("PVMESSAGE:MESSAGE_OK&|%1&|Other&|相手&|PVHOST2&|PeerApp&|%2").arg(own, id)));
    ASSERT_TRUE(AwaitEvent("ErrorSend"));
    EXPECT_TRUE(EventsStartingWith("MessageOk").isEmpty());
}

struct DestinationCase {
    const char* Name;
    const char* Host; // %1 the peer's machine name
    bool Sent;
};

void PrintTo(const DestinationCase& c, std::ostream* os)
{
    *os << c.Name;
}

class MessageDestinationCases : public MessageWireTest,
                                public ::testing::WithParamInterface<DestinationCase> {};

TEST_P(MessageDestinationCases, DestinationIsTheFullAddressOrTheListedMachine)
{
    const DestinationCase& c = GetParam();
    const QString id = engine->MessageSend(
        QStringLiteral("m"), QString::fromUtf8(c.Host).arg(FLan->MachineName(1)), kPeerId, false);
    const bool heard = PeerHeard(QStringLiteral("PVMESSAGE:MESSAGE"));
    EXPECT_EQ(!id.isEmpty(), c.Sent);
    EXPECT_EQ(heard, c.Sent);
    if (heard) {
        const auto sent = peer->WithKeyword(QStringLiteral("PVMESSAGE:MESSAGE"));
        ASSERT_EQ(sent.size(), 1);
        EXPECT_EQ(TParvaneNetwork::StringSplit(sent.first().Text, 1), other);
        EXPECT_EQ(TParvaneNetwork::StringSplit(sent.first().Text, 7), id);
    }
}

const DestinationCase kDestinationCases[] = {
    {"DottedAddress", "198.18.0.2", true},          {"ThreePartAddress", "198.18.2", true},
    {"TwoPartAddress", "198.1179650", true},        {"OnePartAddress", "3323068418", true},
    {"HexadecimalParts", "0xC6.0x12.0.2", true},    {"ListedMachineName", "%1", true},
    {"UnlistedMachineName", "NOSUCHHOST", false},   {"MachineNameCaseDiffers", "pvhost2", false},
    {"BroadcastAddress", "255.255.255.255", false}, {"Empty", "", false},
};

INSTANTIATE_TEST_SUITE_P(Messages, MessageDestinationCases, ::testing::ValuesIn(kDestinationCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MessageWireTest, BroadcastAddressIsLookedUpAsAMachineName)
{
    PeerLogin(QStringLiteral("255.255.255.255"));
    ASSERT_TRUE(WaitUntil([this] { return engine->LoginCount() == 3; }));
    peer->Received().clear();
    const QString id =
        engine->MessageSend(QStringLiteral("m"), QStringLiteral("255.255.255.255"), kPeerId, false);
    EXPECT_FALSE(id.isEmpty());
    const auto sent = Await(QStringLiteral("PVMESSAGE:MESSAGE"));
    ASSERT_TRUE(sent);
    EXPECT_EQ(TParvaneNetwork::StringSplit(sent->Text, 1), other);
}

TEST_F(MessageWireTest, NothingIsSentWhileLoggedOut)
{
    ASSERT_TRUE(engine->Logout());
    PeerHeard(QStringLiteral("PVMESSAGE:LOGOUT"));
    peer->Received().clear();
    EXPECT_TRUE(engine->MessageSend(QStringLiteral("m"), other, kPeerId, false).isEmpty());
    EXPECT_FALSE(engine->MessageOpen(QStringLiteral("id"), other, kPeerId));
    EXPECT_FALSE(engine->AbsenceRequest(other, kPeerId));
    EXPECT_FALSE(engine->MenuRequest(other, kPeerId));
    EXPECT_FALSE(engine->InputSelect("m", "l", "r", "d", other, kPeerId));
    EXPECT_FALSE(engine->InputLine("m", "l", "d", other, kPeerId, false));
    EXPECT_FALSE(engine->InputText("m", "d", other, kPeerId));
    EXPECT_FALSE(engine->InputReturn("d", "r", other, kPeerId));
    EXPECT_FALSE(engine->InputMessage("m", other, kPeerId));
    PeerHeard(QStringLiteral("-"));
    EXPECT_TRUE(peer->Received().isEmpty());
}

struct AbsenceCase {
    const char* Name;
    bool Absence;
    const char* Message;
    const char* Title;
    const char* Answer; // message, "&|", title
};

void PrintTo(const AbsenceCase& c, std::ostream* os)
{
    *os << c.Name;
}

class AbsenceAnswerCases : public MessageWireTest, public ::testing::WithParamInterface<AbsenceCase> {};

TEST_P(AbsenceAnswerCases, AwayRequestIsAnsweredToTheAskingCopy)
{
    const AbsenceCase& c = GetParam();
    engine->SetAbsence(c.Absence);
    engine->SetAbsenceMessage(QString::fromUtf8(c.Message));
    engine->SetAbsenceTitle(QString::fromUtf8(c.Title));
    ASSERT_TRUE(
        peer->Send(QStringLiteral("PVMESSAGE:HUZAI_CHECK&|%1&|Parvane2&|%2&|PeerApp").arg(own, other)));
    const auto answer = Await(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Text,
              QStringLiteral("PVMESSAGE:HUZAI_MESSAGE&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|").arg(other) +
                  QString::fromUtf8(c.Answer));
}

const AbsenceCase kAbsenceCases[] = {
    {"NotAway", false, "会議中です", "会議", "Nothing&|Nothing"},
    {"AwayWithoutMessage", true, "", "会議", "Nothing&|Nothing"},
    {"AwayWithoutTitle", true, "会議中です", "", "Nothing&|Nothing"},
    {"AwayWithBoth", true, "会議中です\r\n三時に戻ります", "会議", "会議中です\r\n三時に戻ります&|会議"},
};

INSTANTIATE_TEST_SUITE_P(Messages, AbsenceAnswerCases, ::testing::ValuesIn(kAbsenceCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// An away request as if from sAddress (the sender and the asking address alike),
// handed to the engine as its socket would.
void AskFrom(TParvaneNetwork& engine, const QString& own, const QString& sAddress)
{
    const QString check =
        QStringLiteral("PVMESSAGE:HUZAI_CHECK&|%1&|Parvane2&|%2&|PeerApp").arg(own, sAddress);
    for (const QByteArray& d : ScriptedPeer::Frame(ScriptedPeer::UniquePacketId(), check))
        TParvaneNetworkSeam::Fragment(engine, sAddress, d);
}

// The answers the peer heard that go to sAddress.
int AnswersTo(ScriptedPeer& peer, const QString& sAddress)
{
    int n = 0;
    for (const ScriptedPeer::Record& r : peer.WithKeyword(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE")))
        n += r.Text.startsWith(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE&|") + sAddress + "&|");
    return n;
}

// Askers without end, from many addresses, make this copy broadcast no more than
// the cap in a window; the next window answers again.
TEST_F(MessageWireTest, AwayRequestsAreAnsweredOnlySoManyAWindow)
{
    qint64 now = 1000000;
    TParvaneNetworkSeam::SetMonotonicClock(*engine, [&] { return now; });
    const int addresses = TParvaneNetwork::RequestAnswersPerWindowMax / 2;
    for (int a = 0; a < addresses; ++a) {
        for (int ask = 0; ask < 3; ++ask)
            AskFrom(*engine, own, QStringLiteral("198.18.2.%1").arg(a + 1));
        // Read as they come, so no answer is lost to a full receive buffer.
        peer->Poll();
    }
    PeerHeard(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE"));
    EXPECT_EQ(peer->WithKeyword(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE")).size(),
              TParvaneNetwork::RequestAnswersPerWindowMax);
    // A window later a request is answered again.
    now += TParvaneNetwork::RequestAnswerWindowMs;
    peer->Received().clear();
    const QString check = QStringLiteral("PVMESSAGE:HUZAI_CHECK&|%1&|Parvane2&|%2&|PeerApp").arg(own, other);
    ASSERT_TRUE(peer->Send(check));
    EXPECT_TRUE(Await(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE")));
}

// An address that asks without end is answered its share of a window, a few
// answers, and its share again once the window has passed.
TEST_F(MessageWireTest, AnAskerIsAnsweredItsShareAWindowAndItsShareAgainInTheNext)
{
    // The figures the program promises, not ones read from the engine: a share or a
    // window made longer must show here.
    constexpr int kShare = 3;
    constexpr qint64 kWindowMs = 10000;
    qint64 now = 1000000;
    TParvaneNetworkSeam::SetMonotonicClock(*engine, [&] { return now; });
    const QString asker = QStringLiteral("198.18.2.1");
    const auto askAWindowLong = [&] {
        for (int ask = 0; ask < 20; ++ask) {
            AskFrom(*engine, own, asker);
            now += kWindowMs / 20;
        }
        now -= kWindowMs / 20;
    };
    askAWindowLong();
    PeerHeard(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE"));
    EXPECT_EQ(AnswersTo(*peer, asker), kShare);
    now += kWindowMs / 20;
    askAWindowLong();
    PeerHeard(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE"));
    EXPECT_EQ(AnswersTo(*peer, asker), 2 * kShare);
}

// Only addresses that were answered are remembered: a flood from a thousand
// addresses leaves no more of them than the window's answers.
TEST_F(MessageWireTest, AskingAddressesRememberedStayWithinTheWindowsAnswers)
{
    qint64 now = 1000000;
    TParvaneNetworkSeam::SetMonotonicClock(*engine, [&] { return now; });
    for (int a = 0; a < 1000; ++a) {
        AskFrom(*engine, own, QStringLiteral("198.18.%1.%2").arg(10 + a / 250).arg(a % 250 + 1));
        peer->Poll();
    }
    EXPECT_EQ(TParvaneNetworkSeam::AskingAddressesRemembered(*engine),
              TParvaneNetwork::RequestAnswersPerWindowMax);
}

// One address that asks without end gets only its share of the answers:
// colleagues asking in the same window are answered all the same.
TEST_F(MessageWireTest, OneFloodingAskerLeavesTheColleaguesTheirAnswers)
{
    qint64 now = 1000000;
    TParvaneNetworkSeam::SetMonotonicClock(*engine, [&] { return now; });
    const QString check = QStringLiteral("PVMESSAGE:HUZAI_CHECK&|%1&|Parvane2&|%2&|PeerApp").arg(own, other);
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(peer->Send(check));
        PumpFor(2);
    }
    ASSERT_TRUE(WaitUntil([&] {
        peer->Poll();
        return AnswersTo(*peer, other) > 0;
    }));
    for (int a = 1; a <= 3; ++a)
        AskFrom(*engine, own, QStringLiteral("198.18.2.%1").arg(a));
    PeerHeard(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE"));
    for (int a = 1; a <= 3; ++a)
        EXPECT_EQ(AnswersTo(*peer, QStringLiteral("198.18.2.%1").arg(a)), 1) << a;
    EXPECT_LE(AnswersTo(*peer, other), TParvaneNetwork::RequestAnswersPerAddressMax);
}

// Thirty addresses ask ten times a second for over a minute; a colleague who asks
// every five seconds, each time just after the flooders, is answered nearly always.
TEST_F(MessageWireTest, ThirtyFloodingAskersLeaveAColleagueItsAnswers)
{
    constexpr int kFlooders = 30;
    constexpr int kStepMs = 100;
    constexpr int kStepsBetweenAsks = 50;
    constexpr int kColleagueAsks = 14;
    qint64 now = 1000000;
    TParvaneNetworkSeam::SetMonotonicClock(*engine, [&] { return now; });
    const QString colleague = QStringLiteral("198.18.3.1");
    for (int step = 0; step < kColleagueAsks * kStepsBetweenAsks; ++step) {
        for (int a = 1; a <= kFlooders; ++a)
            AskFrom(*engine, own, QStringLiteral("198.18.2.%1").arg(a));
        if (step % kStepsBetweenAsks == 0)
            AskFrom(*engine, own, colleague);
        peer->Poll();
        now += kStepMs;
    }
    PeerHeard(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE"));
    EXPECT_GE(AnswersTo(*peer, colleague), 12) << "of " << kColleagueAsks;
}

TEST_F(MessageWireTest, AwayRequestForAnotherCopyIsNotAnswered)
{
    ASSERT_TRUE(peer->Send(QStringLiteral("PVMESSAGE:HUZAI_CHECK&|%1&|Other&|%2&|PeerApp").arg(own, other)));
    EXPECT_FALSE(PeerHeard(QStringLiteral("PVMESSAGE:HUZAI_MESSAGE")));
}

TEST_F(MessageWireTest, MenuRequestIsRefusedUnlessThisCopyServesMenus)
{
    QStringList requests;
    const QString check =
        QStringLiteral("PVMESSAGE:MENU_CHECK&|%1&|Parvane2&|相手&|PVHOST2&|%2&|PeerApp").arg(own, other);
    const QString refusal =
        QStringLiteral("PVMESSAGE:MENU_NOTHING&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2").arg(other);

    // Menu off, whether or not anyone listens.
    engine->OnMenuRequest = [&](TParvaneNetwork*, const QString& h, const QString& m, const QString& d) {
        requests.append(h + "|" + m + "|" + d);
    };
    ASSERT_TRUE(peer->Send(check));
    auto answer = Await(QStringLiteral("PVMESSAGE:MENU_NOTHING"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Text, refusal);
    EXPECT_TRUE(requests.isEmpty());

    // Menu on but nobody to serve it.
    peer->Received().clear();
    engine->SetMenu(true);
    engine->OnMenuRequest = nullptr;
    ASSERT_TRUE(peer->Send(check));
    answer = Await(QStringLiteral("PVMESSAGE:MENU_NOTHING"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Text, refusal);

    // Menu on and served: the request goes to the handler and is not refused.
    peer->Received().clear();
    engine->OnMenuRequest = [&](TParvaneNetwork*, const QString& h, const QString& m, const QString& d) {
        requests.append(h + "|" + m + "|" + d);
    };
    ASSERT_TRUE(peer->Send(check));
    ASSERT_TRUE(WaitUntil([&] { return !requests.isEmpty(); }));
    EXPECT_EQ(requests, QStringList{"相手|PVHOST2|PeerApp"});
    EXPECT_FALSE(PeerHeard(QStringLiteral("PVMESSAGE:MENU_NOTHING")));
}

struct OutgoingCase {
    const char* Name;
    std::function<bool(TParvaneNetwork&, const QString& host)> Call;
    const char* Text; // %1 the peer's address, %2 own address
};

void PrintTo(const OutgoingCase& c, std::ostream* os)
{
    *os << c.Name;
}

class OutgoingRecordCases : public MessageWireTest, public ::testing::WithParamInterface<OutgoingCase> {};

TEST_P(OutgoingRecordCases, OperationBroadcastsItsRecordAddressedToThePeer)
{
    const OutgoingCase& c = GetParam();
    ASSERT_TRUE(c.Call(*engine, FLan->MachineName(1)));
    const QString expected = QString::fromUtf8(c.Text).arg(other, own);
    const auto record = Await(expected.section(QStringLiteral("&|"), 0, 0));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Text, expected);
}

const OutgoingCase kOutgoingCases[] = {
    {"MessageOpen",
     [](TParvaneNetwork& e, const QString& h) { return e.MessageOpen(" 1 2  3    4", h, "PeerApp"); },
     "PVMESSAGE:OPEN_CHECK&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&| 1 2  3    4"},
    {"AbsenceRequest", [](TParvaneNetwork& e, const QString& h) { return e.AbsenceRequest(h, "PeerApp"); },
     "PVMESSAGE:HUZAI_CHECK&|%1&|PeerApp&|%2&|Parvane2"},
    {"MenuRequest", [](TParvaneNetwork& e, const QString& h) { return e.MenuRequest(h, "PeerApp"); },
     "PVMESSAGE:MENU_CHECK&|%1&|PeerApp&|送信者&|PVHOST1&|%2&|Parvane2"},
    {"InputSelect",
     [](TParvaneNetwork& e, const QString& h) {
         return e.InputSelect("どれ?", "赤\r\n青", "青", "sel1", h, "PeerApp");
     },
     "PVMESSAGE:INPUT_SELECT&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|sel1&|どれ?&|赤\r\n青&|青"},
    {"InputLinePassword",
     [](TParvaneNetwork& e, const QString& h) {
         return e.InputLine("合言葉", "既定", "line1", h, "PeerApp", true);
     },
     "PVMESSAGE:INPUT_LINE&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|line1&|合言葉&|既定&|1"},
    {"InputLinePlain",
     [](TParvaneNetwork& e, const QString& h) {
         return e.InputLine("名前", "", "line2", h, "PeerApp", false);
     },
     "PVMESSAGE:INPUT_LINE&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|line2&|名前&|&|0"},
    {"InputText",
     [](TParvaneNetwork& e, const QString& h) { return e.InputText("感想", "text1", h, "PeerApp"); },
     "PVMESSAGE:INPUT_TEXT&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|text1&|感想"},
    {"InputReturn",
     [](TParvaneNetwork& e, const QString& h) { return e.InputReturn("sel1", "青", h, "PeerApp"); },
     "PVMESSAGE:INPUT_RETURN&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|sel1&|青"},
    {"InputMessage",
     [](TParvaneNetwork& e, const QString& h) { return e.InputMessage("お知らせ", h, "PeerApp"); },
     "PVMESSAGE:INPUT_MESSAGE&|%1&|PeerApp&|送信者&|PVHOST1&|Parvane2&|お知らせ"},
};

INSTANTIATE_TEST_SUITE_P(Messages, OutgoingRecordCases, ::testing::ValuesIn(kOutgoingCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct IncomingCase {
    const char* Name;
    const char* Record; // %1 own address
    const char* Event;  // %1 the fixed receive time
};

void PrintTo(const IncomingCase& c, std::ostream* os)
{
    *os << c.Name;
}

class IncomingRecordCases : public MessageWireTest, public ::testing::WithParamInterface<IncomingCase> {};

TEST_P(IncomingRecordCases, RecordForThisCopyRaisesItsEventWithTheFieldsInOrder)
{
    const IncomingCase& c = GetParam();
    FixClock();
    ASSERT_TRUE(peer->Send(QString::fromUtf8(c.Record).arg(own)));
    const QString expected = QString::fromUtf8(c.Event).replace(QStringLiteral("%1"), kFixedReceiveTime);
    ASSERT_TRUE(AwaitEvent(expected.section(QLatin1Char('|'), 0, 0) + "|"));
    EXPECT_EQ(events, QStringList{expected});
}

TEST_P(IncomingRecordCases, RecordForAnotherIdentifierIsDropped)
{
    const IncomingCase& c = GetParam();
    const QString record = QString::fromUtf8(c.Record).arg(own).replace("&|Parvane2&|", "&|Parvane9&|");
    ASSERT_TRUE(peer->Send(record));
    PumpFor(kQuietMs);
    EXPECT_TRUE(events.isEmpty()) << qPrintable(events.join("\n"));
}

const IncomingCase kIncomingCases[] = {
    {"HuzaiMessage", "PVMESSAGE:HUZAI_MESSAGE&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|外出中&|外出",
     "AbsenceMessage|外出中|相手|PVHOST2|PeerApp|%1"},
    {"MenuNothing", "PVMESSAGE:MENU_NOTHING&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp",
     "MenuNothing|相手|PVHOST2|PeerApp"},
    {"InputSelect", "PVMESSAGE:INPUT_SELECT&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|sel1&|どれ?&|赤\r\n青&|青",
     "InputSelect|どれ?|赤\r\n青|青|sel1|相手|PVHOST2|PeerApp"},
    {"InputLinePassword",
     "PVMESSAGE:INPUT_LINE&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|line1&|合言葉&|既定&|1",
     "InputLine|合言葉|既定|line1|相手|PVHOST2|PeerApp|1"},
    {"InputLineOtherNumber", "PVMESSAGE:INPUT_LINE&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|line1&|m&|l&|2",
     "InputLine|m|l|line1|相手|PVHOST2|PeerApp|1"},
    {"InputLineNotANumber", "PVMESSAGE:INPUT_LINE&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|line1&|m&|l&|yes",
     "InputLine|m|l|line1|相手|PVHOST2|PeerApp|0"},
    {"InputLineMissingFlag", "PVMESSAGE:INPUT_LINE&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|line1&|m",
     "InputLine|m||line1|相手|PVHOST2|PeerApp|0"},
    {"InputText", "PVMESSAGE:INPUT_TEXT&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|text1&|感想",
     "InputText|感想|text1|相手|PVHOST2|PeerApp"},
    {"InputReturn", "PVMESSAGE:INPUT_RETURN&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|sel1&|青",
     "InputReturn|sel1|青|相手|PVHOST2|PeerApp"},
    {"InputMessage", "PVMESSAGE:INPUT_MESSAGE&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|お知らせ",
     "InputMessage|お知らせ|相手|PVHOST2|PeerApp|%1"},
    {"MessageOk", "PVMESSAGE:MESSAGE_OK&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|nobody-waits",
     "MessageOk|nobody-waits|相手|PVHOST2|PeerApp"},
};

INSTANTIATE_TEST_SUITE_P(Messages, IncomingRecordCases, ::testing::ValuesIn(kIncomingCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MessageWireTest, LongJapaneseMessageCrossesInFragmentsPlainAndScrambled)
{
    // 1024 two-byte characters: 2048 bytes in the code page.
    const QString text = QString(QStringLiteral("日本語")).repeated(342).left(1024);
    ASSERT_EQ(AnsiCodePage::ByteLength(text), 2048);
    for (bool scrambled : {false, true}) {
        SCOPED_TRACE(scrambled ? "scrambled" : "plain");
        events.clear();
        peer->Received().clear();
        engine->SetSecurity(scrambled);
        const QString id = engine->MessageSend(text, other, kPeerId, false);
        ASSERT_FALSE(id.isEmpty());
        const auto sent = Await(QStringLiteral("PVMESSAGE:MESSAGE"));
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->Scrambled, scrambled);
        EXPECT_EQ(TParvaneNetwork::StringSplit(sent->Text, 8), text);
        EXPECT_GT(sent->Datagrams.size(), scrambled ? 16 : 8);
        for (int i = 0; i < sent->Datagrams.size(); ++i) {
            const QByteArray& d = sent->Datagrams[i];
            EXPECT_LE(d.size(), 256);
            EXPECT_EQ(static_cast<unsigned char>(d[0]), i + 1);
            EXPECT_EQ(d.back(), '\0');
        }

        ASSERT_TRUE(peer->Send(QStringLiteral("PVMESSAGE:MESSAGE&|%1&|Parvane2&|相手&|PVHOST2&|%2&|PeerApp&|"
                                              "long00000001&|%3&|0")
                                   .arg(own, other, text),
                               QStringLiteral("255.255.255.255"), scrambled));
        ASSERT_TRUE(AwaitEvent("Message|"));
        const QStringList shown = EventsStartingWith("Message|");
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown.first().section(QLatin1Char('|'), 1, 1), text);
    }
}

TEST_F(MessageWireTest, TheMessageAfter255PendingOnesIsSentButNeverTimesOut)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, 1500);
    QStringList ids;
    for (int i = 0; i < 256; ++i) {
        const QString id = engine->MessageSend(QStringLiteral("m%1").arg(i), other, kPeerId, false);
        ASSERT_FALSE(id.isEmpty()) << i;
        ids.append(id);
        peer->Poll();
    }
    ASSERT_TRUE(WaitUntil(
        [&] {
            peer->Poll();
            return peer->WithKeyword(QStringLiteral("PVMESSAGE:MESSAGE")).size() >= 256 &&
                   EventsStartingWith("ErrorSend").size() >= 255;
        },
        10000));
    PumpFor(kQuietMs);
    const QList<ScriptedPeer::Record> sent = peer->WithKeyword(QStringLiteral("PVMESSAGE:MESSAGE"));
    ASSERT_EQ(sent.size(), 256);
    EXPECT_EQ(TParvaneNetwork::StringSplit(sent.last().Text, 8), "m255");

    const QStringList reported = EventsStartingWith("ErrorSend");
    ASSERT_EQ(reported.size(), 255);
    for (int i = 0; i < 255; ++i)
        EXPECT_EQ(reported.filter(QStringLiteral("ErrorSend|m%1|").arg(i)).size(), 1) << i;
    EXPECT_TRUE(reported.filter(QStringLiteral("ErrorSend|m255|")).isEmpty());
}

TEST_F(MessageWireTest, RestartingTheServiceForgetsPendingMessagesWithoutAnError)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    ASSERT_FALSE(engine->MessageSend(QStringLiteral("x"), other, kPeerId, false).isEmpty());
    engine->ServiceEnd();
    ASSERT_TRUE(engine->ServiceStart());
    PumpFor(kShortTimeoutMs + 400);
    EXPECT_TRUE(EventsStartingWith("ErrorSend").isEmpty()) << qPrintable(events.join("\n"));
}

TEST_F(MessageWireTest, ATimeOutOfAFreeSlotRaisesNothing)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, 50);
    TParvaneNetworkSeam::StartSendTimeout(*engine, 7);
    ASSERT_TRUE(WaitUntil([this] { return !TParvaneNetworkSeam::SendTimerActive(*engine, 7); }));
    PumpFor(100);
    EXPECT_TRUE(EventsStartingWith("ErrorSend").isEmpty()) << qPrintable(events.join("\n"));
}

TEST_F(MessageWireTest, EndingTheServiceLeavesPendingTimeOutsRunning)
{
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString id = engine->MessageSend(QStringLiteral("x"), other, kPeerId, false);
    ASSERT_FALSE(id.isEmpty());
    engine->ServiceEnd();
    ASSERT_TRUE(AwaitEvent("ErrorSend"));
    EXPECT_EQ(EventsStartingWith("ErrorSend"),
              QStringList{QStringLiteral("ErrorSend|x|%1|%2|PeerApp").arg(id, other)});
}

// The read notice of a message counts once, and only from the machine and
// identifier the message went to; a message sent to an address is read from there.
TEST_F(MessageWireTest, AReadNoticeCountsOnceFromTheCopyTheMessageWentTo)
{
    FixClock();
    const QString byName =
        engine->MessageSend(QStringLiteral("読んで"), FLan->MachineName(1), kPeerId, false);
    const QString byAddress = engine->MessageSend(QStringLiteral("こちらも"), other, kPeerId, false);
    ASSERT_FALSE(byName.isEmpty());
    ASSERT_FALSE(byAddress.isEmpty());
    const QString openCheck = QStringLiteral("PVMESSAGE:OPEN_CHECK&|%1&|Parvane2&|相手&|%2&|%3&|%4");
    const struct {
        const char* what;
        QString machine;
        QString identifier;
        QString id;
    } refused[] = {
        {"never sent", QStringLiteral("PVHOST2"), kPeerId, QStringLiteral(" 1 2  3    4")},
        {"another machine", QStringLiteral("PVHOST9"), kPeerId, byName},
        {"another identifier", QStringLiteral("PVHOST2"), kOwnId, byName},
    };
    for (const auto& r : refused)
        ASSERT_TRUE(peer->Send(openCheck.arg(own, r.machine, r.identifier, r.id))) << r.what;
    ASSERT_TRUE(peer->Send(openCheck.arg(own, QStringLiteral("PVHOST2"), kPeerId, byName)));
    ASSERT_TRUE(AwaitEvent("MessageOpen"));
    // A repeat of it, then the other message's notice, from another machine name but its address.
    ASSERT_TRUE(peer->Send(openCheck.arg(own, QStringLiteral("PVHOST2"), kPeerId, byName)));
    ASSERT_TRUE(peer->Send(openCheck.arg(own, QStringLiteral("改名"), kPeerId, byAddress)));
    ASSERT_TRUE(AwaitEvent("MessageOpen", 2));
    PumpFor(kQuietMs);
    EXPECT_EQ(EventsStartingWith("MessageOpen"),
              (QStringList{QStringLiteral("MessageOpen|%1|相手|PVHOST2|PeerApp").arg(byName),
                           QStringLiteral("MessageOpen|%1|相手|改名|PeerApp").arg(byAddress)}));
}

// So many sent messages are remembered for their read notices; the oldest is forgotten first.
TEST_F(MessageWireTest, OnlyTheLatestSentMessagesAwaitTheirReadNotice)
{
    FixClock();
    QStringList ids;
    for (int i = 0; i <= TParvaneNetwork::SentMessageMemoryCount; ++i) {
        ids.append(engine->MessageSend(QStringLiteral("m%1").arg(i), FLan->MachineName(1), kPeerId, false));
        ASSERT_FALSE(ids.last().isEmpty()) << i;
        // The engine hears its own broadcasts: it reads them as it goes, so its socket keeps room.
        if (i % 50 == 49)
            PumpFor(1);
    }
    peer->Received().clear();
    ids.removeDuplicates();
    ASSERT_EQ(ids.size(), TParvaneNetwork::SentMessageMemoryCount + 1);
    const QString openCheck =
        QStringLiteral("PVMESSAGE:OPEN_CHECK&|%1&|Parvane2&|相手&|PVHOST2&|PeerApp&|%2");
    ASSERT_TRUE(peer->Send(openCheck.arg(own, ids.first())));
    ASSERT_TRUE(peer->Send(openCheck.arg(own, ids.at(1))));
    ASSERT_TRUE(AwaitEvent("MessageOpen"));
    PumpFor(kQuietMs);
    EXPECT_EQ(EventsStartingWith("MessageOpen"),
              QStringList{QStringLiteral("MessageOpen|%1|相手|PVHOST2|PeerApp").arg(ids.at(1))});
}

TEST_F(MessageWireTest, MessagesToAPeerWithoutMachineNameAreEachWatched)
{
    // A peer that announces an empty machine name is found by the empty name.
    PeerLogin(QString());
    ASSERT_TRUE(WaitUntil([this] { return engine->LoginCount() == 3; }));
    TParvaneNetworkSeam::SetSendTimeout(*engine, kShortTimeoutMs);
    const QString first = engine->MessageSend(QStringLiteral("one"), QString(), kPeerId, false);
    const QString second = engine->MessageSend(QStringLiteral("two"), QString(), kPeerId, false);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    ASSERT_TRUE(AwaitEvent("ErrorSend", 2));
    PumpFor(kShortTimeoutMs);
    QStringList reported = EventsStartingWith("ErrorSend");
    reported.sort();
    EXPECT_EQ(reported, (QStringList{QStringLiteral("ErrorSend|one|%1||PeerApp").arg(first),
                                     QStringLiteral("ErrorSend|two|%1||PeerApp").arg(second)}));
}

} // namespace
