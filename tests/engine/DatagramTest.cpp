#include "EngineTestSupport.h"
#include "ParvaneNetworkSeam.h"

#include <gtest/gtest.h>

using namespace EngineTest;
using Access = TParvaneNetworkSeam;

namespace {

class Datagrams : public EngineOnLan {
protected:
    void LogIn()
    {
        Start();
        ASSERT_TRUE(Engine->Login());
        // Let the own LOGIN and its answer come back and be dispatched.
        Peer.ReceiveAll(200);
    }
    // A peer record with a fresh packet id, sent straight to the engine.
    void PeerSends(const QString& text, int id, bool scrambled = false)
    {
        ASSERT_TRUE(Peer.SendAll(Frame(PeerPacketId(id) + text, scrambled), EngineAddress()));
    }
    int LoginsOf(const QString& machine)
    {
        int n = 0;
        for (const QString& m : FLoginMachines)
            n += m == machine;
        return n;
    }
    void CountLogins()
    {
        Engine->OnLogin = [this](TParvaneNetwork*, const QString&, const QString& machine, const QString&,
                                 const QString&, int, bool, const QString&, bool, bool,
                                 int) { FLoginMachines.append(machine); };
    }
    QStringList FLoginMachines;
};

TEST_F(Datagrams, LoginLeavesByteExact)
{
    FixedStamps stamps(42);
    Start();
    Engine->SetFTPPortNo(52000);
    ASSERT_TRUE(Engine->Login());
    auto d = NextRecord(QStringLiteral("PVMESSAGE:LOGIN"));
    ASSERT_TRUE(d);
    const QByteArray expected("\x01"
                              "0  1122011 829 0 5 9  7   42PVMESSAGE:LOGIN&|PVHOST1&|198.18.0.1&|Parvane2&|"
                              "\x91\xbe\x98Y&|2200&|0&|0&|0&|52000&|198.18.0.1\\|&|",
                              119);
    EXPECT_EQ(d->Data, expected + QByteArray(1, '\0'));
    EXPECT_EQ(d->From, EngineAddress());
}

TEST_F(Datagrams, PresenceAndChatRecordsCarryTheirFieldsInOrder)
{
    FixedStamps stamps(42);
    LogIn();

    PeerSends(PeerLogin(), 1);
    auto ok = NextRecord(QStringLiteral("PVMESSAGE:LOGIN_OK"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(Unframe(ok->Data),
              QStringLiteral("PVMESSAGE:LOGIN_OK&|198.18.0.2&|Parvane2&|PVHOST1&|198.18.0.1&|"
                             "Parvane2&|太郎&|2200&|0&|0&|0&|52000&|198.18.0.1\r\n&|"));

    Engine->SetAbsence(true);
    Engine->SetAbsenceTitle(QStringLiteral("会議中"));
    ASSERT_TRUE(Engine->InformationUpdate());
    auto info = NextRecord(QStringLiteral("PVMESSAGE:INFO_CHANGE"));
    ASSERT_TRUE(info);
    EXPECT_EQ(Unframe(info->Data),
              QStringLiteral("PVMESSAGE:INFO_CHANGE&|PVHOST1&|Parvane2&|198.18.0.1&|太郎&|"
                             "2200&|1&|0&|0&|52000&|198.18.0.1\r\n&|会議中"));

    FixedStamps::Restart(7);
    const QString id = Engine->ChatSend(QStringLiteral("こんにちは"));
    EXPECT_EQ(id, QStringLiteral(" 5 9  7    7"));
    auto chat = NextRecord(QStringLiteral("PVMESSAGE:CHAT_MESSAGE"));
    ASSERT_TRUE(chat);
    EXPECT_EQ(Unframe(chat->Data),
              QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|太郎&|PVHOST1&|198.18.0.1&|Parvane2&|") + id +
                  QStringLiteral("&|こんにちは"));

    ASSERT_TRUE(Engine->Logout());
    auto logout = NextRecord(QStringLiteral("PVMESSAGE:LOGOUT"));
    ASSERT_TRUE(logout);
    EXPECT_EQ(Unframe(logout->Data), QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST1&|Parvane2"));
}

TEST_F(Datagrams, ScrambledRecordIsHexadecimalAfterItsFlag)
{
    FixedStamps stamps(42);
    Start();
    Engine->SetSecurity(true);
    ASSERT_TRUE(Engine->Login());
    auto d = Peer.Receive();
    ASSERT_TRUE(d);
    ASSERT_GE(d->Data.size(), 6);
    EXPECT_EQ(d->Data[0], 1);
    EXPECT_EQ(d->Data[1], '1');
    EXPECT_TRUE(d->Data.endsWith('\0'));
    const QByteArray hex = d->Data.mid(2, d->Data.size() - 3);
    ASSERT_EQ(hex.size() % 2, 0);
    const int k = hex.left(2).toInt(nullptr, 16);
    EXPECT_GE(k, 50);
    EXPECT_LT(k, 200);
    QByteArray plain;
    for (qsizetype i = 2; i < hex.size(); i += 2) {
        EXPECT_EQ(hex.mid(i, 2), hex.mid(i, 2).toUpper());
        plain.append(static_cast<char>((hex.mid(i, 2).toInt(nullptr, 16) - k) & 0xFF));
    }
    EXPECT_TRUE(plain.startsWith("  1122011 829 0 5 9  7   "));
    EXPECT_TRUE(plain.endsWith("&|52000&|198.18.0.1\\|&|"));
}

struct FramedCase {
    int textBytes;
    std::vector<int> datagramSizes;
};

void PrintTo(const FramedCase& c, std::ostream* os)
{
    *os << c.textBytes << " bytes of text";
}

class FramedSizes : public Datagrams, public testing::WithParamInterface<FramedCase> {};

TEST_P(FramedSizes, RecordIsCutIntoDatagramsOfAtMost256Bytes)
{
    Start();
    // Framed: flag 1 + header 5 + packet id 22 + the text.
    ASSERT_TRUE(Access::SendPacket(*Engine, QString(GetParam().textBytes, u'a'), PeerAddress()));
    std::vector<int> sizes;
    for (const Datagram& d : Peer.ReceiveAll(300))
        sizes.push_back(static_cast<int>(d.Data.size()));
    EXPECT_EQ(sizes, GetParam().datagramSizes);
}

INSTANTIATE_TEST_SUITE_P(Framing, FramedSizes,
                         testing::Values(FramedCase{226, {256}},     // 254 framed bytes: one full datagram
                                         FramedCase{227, {256, 3}},  // 255: 254 and 1 data bytes
                                         FramedCase{480, {256, 256}} // 508: two full datagrams
                                         ),
                         [](const testing::TestParamInfo<FramedCase>& info) {
                             return "Text" + std::to_string(info.param.textBytes) + "Bytes";
                         });

TEST_F(Datagrams, RecordOfMoreThan255DatagramsIsRefusedWhole)
{
    Start();
    const int fits = 255 * 254 - 28;
    ASSERT_TRUE(Access::SendPacket(*Engine, QString(fits, u'a'), PeerAddress()));
    EXPECT_EQ(Peer.ReceiveAll(300).size(), 255u);
    EXPECT_FALSE(Access::SendPacket(*Engine, QString(fits + 1, u'a'), PeerAddress()));
    EXPECT_TRUE(Peer.ReceiveAll(300).empty());
}

TEST_F(Datagrams, FragmentsOutOfOrderAreReassembled)
{
    LogIn();
    CountLogins();
    const auto parts =
        Frame(PeerPacketId(1) + PeerLogin("2200", "1", "0", "198.18.0.2\r\n", QString(250, u'x')));
    ASSERT_EQ(parts.size(), 2u);
    ASSERT_TRUE(Peer.SendTo(parts[1], EngineAddress()));
    int slot = -1;
    ASSERT_TRUE(WaitUntil([&] {
        for (int i = 0; i < TParvaneNetwork::RecvDataBackCount; ++i) {
            if (Access::Slot(*Engine, i).HostName == PeerAddress())
                slot = i;
        }
        return slot >= 0;
    }));
    EXPECT_EQ(Access::Slot(*Engine, slot).RecvCount, 1);
    ASSERT_EQ(Access::Slot(*Engine, slot).RecvData->Count(), 2);
    EXPECT_TRUE(Access::Slot(*Engine, slot).RecvData->Get(0).isEmpty());
    EXPECT_EQ(LoginsOf("PVHOST2"), 0);

    ASSERT_TRUE(Peer.SendTo(parts[0], EngineAddress()));
    ASSERT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST2") == 1; }));
    EXPECT_TRUE(Access::Slot(*Engine, slot).HostName.isEmpty());
    EXPECT_EQ(Engine->GetLoginUser(1).AbsenceTitle, QString(250, u'x'));
}

TEST_F(Datagrams, LineBreaksAndTheEscapeBothArriveAsLineBreaks)
{
    LogIn();
    QString seen;
    Engine->OnChatMessage = [&](TParvaneNetwork*, const QString& message, const QString&, const QString&,
                                const QString&, const QString&, const QString&) { seen = message; };
    ASSERT_TRUE(Engine->ChatLogin());
    Peer.ReceiveAll(200);
    PeerSends(QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|花子&|PVHOST2&|198.18.0.2&|Parvane2&|id&|a\r\nb\\|c"),
              1);
    ASSERT_TRUE(WaitUntil([&] { return !seen.isEmpty(); }));
    EXPECT_EQ(seen, QStringLiteral("a\r\nb\r\nc"));
}

struct ScrambleCase {
    bool ownSecurity;
    bool scrambledInput;
};

void PrintTo(const ScrambleCase& c, std::ostream* os)
{
    *os << (c.scrambledInput ? "scrambled" : "plain") << " input, own scrambling "
        << (c.ownSecurity ? "on" : "off");
}

class ScrambledInput : public Datagrams, public testing::WithParamInterface<ScrambleCase> {};

TEST_P(ScrambledInput, IsReadByItsFlagWhateverTheOwnSetting)
{
    LogIn();
    Engine->SetSecurity(GetParam().ownSecurity);
    CountLogins();
    PeerSends(PeerLogin(), 1, GetParam().scrambledInput);
    ASSERT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST2") == 1; }));
}

INSTANTIATE_TEST_SUITE_P(Flags, ScrambledInput,
                         testing::Values(ScrambleCase{false, false}, ScrambleCase{false, true},
                                         ScrambleCase{true, false}, ScrambleCase{true, true}),
                         [](const testing::TestParamInfo<ScrambleCase>& info) {
                             return std::string(info.param.scrambledInput ? "Scrambled" : "Plain") +
                                    "Input_" + (info.param.ownSecurity ? "ScramblingHere" : "PlainHere");
                         });

TEST_F(Datagrams, RepeatedPacketIdIsDroppedUntilElevenOthersCame)
{
    LogIn();
    ASSERT_TRUE(Engine->ChatLogin());
    Peer.ReceiveAll(200);
    int lines = 0;
    Engine->OnChatMessage = [&](TParvaneNetwork*, const QString&, const QString&, const QString&,
                                const QString&, const QString&, const QString&) { ++lines; };
    const QString chat =
        QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|花子&|PVHOST2&|198.18.0.2&|Parvane2&|id&|hi");
    auto sendAndCount = [&](int id) {
        const int before = lines;
        PeerSends(chat, id);
        WaitUntil([&] { return lines > before; }, 1000);
        return lines - before;
    };
    EXPECT_EQ(sendAndCount(1000), 1);
    EXPECT_EQ(sendAndCount(1000), 0);
    for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(sendAndCount(2000 + i), 1);
    EXPECT_EQ(sendAndCount(1000), 0) << "ten other ids keep it in the history";
    // That repeat brought no new id, so one more pushes 1000 out.
    EXPECT_EQ(sendAndCount(2011), 1);
    EXPECT_EQ(sendAndCount(1000), 1);
}

TEST_F(Datagrams, RecordsWhileLoggedOutStillEnterTheRepeatHistory)
{
    Start();
    PeerSends(PeerLogin(), 5);
    PumpFor(150);
    ASSERT_TRUE(Engine->Login());
    Peer.ReceiveAll(200);
    CountLogins();
    PeerSends(PeerLogin(), 5);
    PumpFor(300);
    EXPECT_EQ(LoginsOf("PVHOST2"), 0);
    PeerSends(PeerLogin(), 6);
    EXPECT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST2") == 1; }));
}

TEST_F(Datagrams, TwentyFirstIncompleteSenderTakesTheOldestSlotAndStaleOnesArePurged)
{
    LogIn();
    qint64 now = 1000000;
    Access::SetMonotonicClock(*Engine, [&] { return now; });
    int overflows = 0;
    Engine->OnErrorRecvOverflow = [&](TParvaneNetwork*) { ++overflows; };

    std::vector<std::unique_ptr<RawPeer>> senders;
    for (int i = 1; i <= 21; ++i) {
        const QString address = QStringLiteral("198.18.1.%1").arg(i);
        RunIp({"-n", FLan->NamespaceName(1), "addr", "replace", address + "/15", "dev", "eth0"});
        auto sender = std::make_unique<RawPeer>();
        // The sender's socket belongs to host 1; the engine's thread goes back to host 0 at once.
        FLan->Enter(1);
        const bool opened = sender->Open(0, address);
        FLan->Enter(0);
        ASSERT_TRUE(opened) << qPrintable(address);
        senders.push_back(std::move(sender));
    }
    auto heldBy = [&](int i) {
        int n = 0;
        for (int s = 0; s < TParvaneNetwork::RecvDataBackCount; ++s)
            n += Access::Slot(*Engine, s).HostName == QStringLiteral("198.18.1.%1").arg(i + 1);
        return n;
    };
    // The first fragment of a two-datagram record, which never completes.
    const QByteArray first =
        Frame(PeerPacketId(1) + PeerLogin("2200", "0", "0", "198.18.0.2\r\n", QString(300, u'y')))[0];
    for (int i = 0; i < 20; ++i) {
        now += 10;
        ASSERT_TRUE(senders[i]->SendTo(first, EngineAddress()));
        ASSERT_TRUE(WaitUntil([&] { return heldBy(i) == 1; })) << i;
    }
    EXPECT_EQ(overflows, 0);
    now += 10;
    ASSERT_TRUE(senders[20]->SendTo(first, EngineAddress()));
    ASSERT_TRUE(WaitUntil([&] { return overflows == 1; }));
    EXPECT_EQ(heldBy(20), 1);
    EXPECT_EQ(heldBy(0), 0) << "the oldest gives way";
    EXPECT_EQ(heldBy(1), 1);

    now += TParvaneNetwork::RecvRecordLifetimeMs + 1;
    Access::Purge(*Engine);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(heldBy(i), 0) << i;

    // Every slot is held again, by twenty other senders: a record that is complete
    // in its one datagram needs none, is dispatched all the same and pushes no one out.
    CountLogins();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(senders[i]->SendTo(first, EngineAddress()));
    ASSERT_TRUE(WaitUntil([&] { return heldBy(19) == 1; }));
    ASSERT_TRUE(senders[20]->SendTo(Frame(PeerPacketId(2) + PeerLogin())[0], EngineAddress()));
    EXPECT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST2") == 1; }));
    EXPECT_EQ(overflows, 1);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(heldBy(i), 1) << i;
}

// A sender opens records it never finishes, as many as it likes: it holds only a
// few slots (its oldest gives way to its newest), and everyone else's records,
// of one datagram or of several, still arrive.
TEST_F(Datagrams, LoneLaterFragmentsOfOneSenderLeaveTheOthersTheirSlots)
{
    LogIn();
    CountLogins();
    int overflows = 0;
    Engine->OnErrorRecvOverflow = [&](TParvaneNetwork*) { ++overflows; };
    for (int i = 0; i < TParvaneNetwork::RecvDataBackCount + 5; ++i) {
        const QByteArray lone = QByteArray(1, '\x02') + "lone " + QByteArray::number(i) + QByteArray(1, '\0');
        ASSERT_TRUE(Peer.SendTo(lone, EngineAddress()));
    }
    PumpFor(200);
    EXPECT_EQ(overflows, 0);

    const QString address = QStringLiteral("198.18.1.40");
    RunIp({"-n", FLan->NamespaceName(1), "addr", "replace", address + "/15", "dev", "eth0"});
    RawPeer other;
    FLan->Enter(1);
    const bool opened = other.Open(0, address);
    FLan->Enter(0);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(other.SendTo(Frame(PeerPacketId(1) + PeerLogin())[0], EngineAddress()));
    ASSERT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST2") == 1; }));
    // Two datagrams, the first waiting in a slot for the second; another machine's log-in.
    const QString login = PeerLogin("2200", "0", "0", "198.18.0.2\r\n", QString(300, u'y'))
                              .replace(QStringLiteral("PVHOST2"), QStringLiteral("PVHOST7"));
    const auto twoParts = Frame(PeerPacketId(2) + login);
    ASSERT_EQ(twoParts.size(), 2u);
    ASSERT_TRUE(other.SendAll(twoParts, EngineAddress()));
    EXPECT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST7") == 1; }));
    EXPECT_EQ(overflows, 0);
}

TEST_F(Datagrams, SlotIsPurgedAfterAMinuteAcrossMidnight)
{
    Start();
    qint64 now = 5000;
    Access::SetMonotonicClock(*Engine, [&] { return now; });
    SystemClock::SetNowSource([] { return QDateTime(QDate(2011, 8, 29), QTime(23, 59, 30)); });
    const QByteArray first = Frame(PeerPacketId(1) + QString(400, u'z'))[0];
    Access::Fragment(*Engine, PeerAddress(), first);
    ASSERT_EQ(Access::Slot(*Engine, 19).HostName, PeerAddress());

    SystemClock::SetNowSource([] { return QDateTime(QDate(2011, 8, 30), QTime(0, 0, 40)); });
    now += 70 * 1000;
    Access::Purge(*Engine);
    SystemClock::SetNowSource({});
    EXPECT_TRUE(Access::Slot(*Engine, 19).HostName.isEmpty());
    EXPECT_EQ(Access::Slot(*Engine, 19).RecvCount, 0);
    EXPECT_EQ(Access::Slot(*Engine, 19).RecvData->Count(), 0);
}

struct GarbageCase {
    const char* name;
    QByteArray datagram;
    bool holdsSlot; // an incomplete record that waits; a record that cannot be right is dropped at once
};

QByteArray OverLong()
{
    // A complete record in its first bytes, but longer than the receive buffer.
    QByteArray d = Frame(PeerPacketId(77) + PeerLogin())[0];
    d.append(QByteArray(600 - d.size(), 'p'));
    return d;
}

const GarbageCase kGarbage[] = {
    {"empty", QByteArray(), false},
    {"one byte", QByteArray("\x01", 1), false},
    {"empty fragment", QByteArray("\x01\x00xyz", 5), false},
    {"only a zero", QByteArray(1, '\0'), false},
    {"over-long", OverLong(), false},
    {"negative length",
     QByteArray("\x01"
                "0   -1") +
         PeerPacketId(78).toLatin1() + "PVMESSAGE:LOGOUT&|a&|b",
     false},
    {"letters as length",
     QByteArray("\x01"
                "0abcde") +
         PeerPacketId(79).toLatin1() + "PVMESSAGE:LOGOUT",
     false},
    {"damaged hexadecimal",
     QByteArray("\x01"
                "1ZZ0102030405060708"),
     false},
    {"odd hexadecimal",
     QByteArray("\x01"
                "140414"),
     true},
    {"fragment number 0",
     QByteArray("\x00"
                "0   10",
                7) +
         QByteArray(40, 'q'),
     true},
    {"binary", QByteArray("\x05\xff\xfe\x80\x81\x00\x00\x9f", 8), true},
    {"huge length",
     QByteArray("\x01"
                "099999") +
         QByteArray(200, 'r'),
     true},
};

TEST_F(Datagrams, GarbageNeverHarmsTheEngine)
{
    LogIn();
    CountLogins();
    for (const GarbageCase& c : kGarbage) {
        ASSERT_TRUE(Peer.SendTo(c.datagram, EngineAddress()) || c.datagram.isEmpty()) << c.name;
        PumpFor(30);
    }
    PumpFor(200);
    EXPECT_EQ(LoginsOf("PVHOST2"), 0);
    EXPECT_EQ(Engine->LoginCount(), 1);
    PeerSends(PeerLogin(), 80);
    EXPECT_TRUE(WaitUntil([&] { return LoginsOf("PVHOST2") == 1; }));
}

TEST_F(Datagrams, DroppedDatagramsTakeNoSlotAndBadLengthsNeverComplete)
{
    Start();
    for (const GarbageCase& c : kGarbage) {
        Access::Fragment(*Engine, QStringLiteral("198.18.9.9"), c.datagram);
        int held = 0;
        for (int i = 0; i < TParvaneNetwork::RecvDataBackCount; ++i)
            held += Access::Slot(*Engine, i).HostName == QStringLiteral("198.18.9.9");
        // The over-long one arrives whole only through the socket, which drops it; handed in directly
        // it is a complete record of a logged-out engine and leaves no slot either.
        EXPECT_EQ(held, c.holdsSlot ? 1 : 0) << c.name;
        Access::Purge(*Engine);
        Access::SetMonotonicClock(*Engine, [] { return qint64(1) << 40; });
        Access::Purge(*Engine);
        Access::SetMonotonicClock(*Engine, [] { return qint64(1); });
    }
}

TEST_F(Datagrams, ExtraAddressesAreAllServedAndTheListEndsAtAnEmptyField)
{
    Start();
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many.append(PeerAddress());
    Engine->SetBroadcastIP(many.join(TParvaneNetwork::FieldSeparator));
    ASSERT_TRUE(Access::SendPacket(*Engine, QStringLiteral("PVMESSAGE:NONE"), QString()));
    const auto all = Peer.ReceiveAll(400);
    ASSERT_EQ(all.size(), 301u);
    for (const Datagram& d : all)
        EXPECT_EQ(d.Data, all.front().Data);

    Engine->SetBroadcastIP(PeerAddress() + "&|&|" + PeerAddress());
    ASSERT_TRUE(Access::SendPacket(*Engine, QStringLiteral("PVMESSAGE:NONE"), QString()));
    EXPECT_EQ(Peer.ReceiveAll(300).size(), 2u);
}

TEST_F(Datagrams, BroadcastAddressAsTargetFailsAndSendsNothing)
{
    Start();
    EXPECT_FALSE(
        Access::SendPacket(*Engine, QStringLiteral("PVMESSAGE:NONE"), QStringLiteral("255.255.255.255")));
    EXPECT_TRUE(Peer.ReceiveAll(200).empty());
    // The shorter numeric forms are addresses too.
    EXPECT_TRUE(Access::SendPacket(*Engine, QStringLiteral("PVMESSAGE:NONE"), QStringLiteral("198.18.2")));
    auto d = Peer.Receive();
    ASSERT_TRUE(d);
}

TEST_F(Datagrams, SendThatStaysBlockedFailsInsteadOfSpinning)
{
    Start();
    // Datagrams to an address nobody answers wait for the neighbour lookup and fill a small send buffer.
    int tiny = 1;
    setsockopt(Engine->SocketNo(), SOL_SOCKET, SO_SNDBUFFORCE, &tiny, sizeof tiny);
    bool failed = false;
    for (int i = 0; i < 50 && !failed; ++i)
        failed = !Access::SendPacket(*Engine, QString(20000, u'w'), QStringLiteral("198.18.0.200"));
    EXPECT_TRUE(failed);
    EXPECT_NE(Engine->SocketNo(), -1);
}

} // namespace

namespace {

TEST(Reassembly, SecondRecordOfOneSenderTakesASlotOfItsOwn)
{
    TParvaneNetwork engine;
    const auto first = Frame(PeerPacketId(1) + QString(300, u'a'));
    const auto second = Frame(PeerPacketId(2) + QString(300, u'b'));
    Access::Fragment(engine, QStringLiteral("198.18.0.2"), first[0]);
    Access::Fragment(engine, QStringLiteral("198.18.0.2"), second[0]);
    int taken = 0;
    for (int i = 0; i < TParvaneNetwork::RecvDataBackCount; ++i) {
        const TPVN_RecvDataBack& slot = Access::Slot(engine, i);
        if (slot.HostName == QStringLiteral("198.18.0.2")) {
            ++taken;
            EXPECT_EQ(slot.RecvCount, 1);
            EXPECT_EQ(slot.RecvData->Count(), 1);
        }
    }
    EXPECT_EQ(taken, 2);
    // Free slots are taken from the end.
    EXPECT_EQ(Access::Slot(engine, 19).RecvData->Get(0), first[0].mid(1, first[0].size() - 2));
    EXPECT_EQ(Access::Slot(engine, 18).RecvData->Get(0), second[0].mid(1, second[0].size() - 2));
}

} // namespace

namespace {

TEST_F(Datagrams, OwnLoginIsAnsweredOnceAndTheOwnAnswerIgnored)
{
    Start();
    CountLogins();
    ASSERT_TRUE(Engine->Login());
    const auto all = Peer.ReceiveAll(300);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_TRUE(Unframe(all[0].Data).startsWith("PVMESSAGE:LOGIN&|PVHOST1&|"));
    EXPECT_TRUE(Unframe(all[1].Data).startsWith("PVMESSAGE:LOGIN_OK&|198.18.0.1&|Parvane2&|PVHOST1&|"));
    EXPECT_EQ(FLoginMachines, QStringList{"PVHOST1"});
    EXPECT_EQ(Engine->LoginCount(), 1);
    EXPECT_EQ(Engine->GetLoginUser(0).IPAddress, QStringList{EngineAddress()});
}

} // namespace

namespace {

// Reassembly as a hostile machine meets it: pieces handed to the engine with any
// sender address at chosen moments of its clock, and the records that come out
// seen by their absence titles (the last field of a log-in, so whatever a
// wrong piece adds ends up there).
class Reassembling : public Datagrams {
protected:
    void SetUp() override
    {
        Datagrams::SetUp();
        LogIn();
        Access::SetMonotonicClock(*Engine, [this] { return FNow; });
        Engine->OnLogin = [this](TParvaneNetwork*, const QString&, const QString&, const QString&,
                                 const QString&, int, bool, const QString& title, bool, bool,
                                 int) { FTitles.append(title); };
        Engine->OnErrorRecvOverflow = [this](TParvaneNetwork*) { ++FGaveWay; };
    }
    // The two datagrams of a log-in whose title is 300 times the letter.
    static std::vector<QByteArray> TwoPieces(int id, char letter)
    {
        // A machine name of its own, so each record is a log-in the engine tells.
        const QString login = PeerLogin("2200", "0", "0", "198.18.0.2\r\n", QString(300, QChar(letter)))
                                  .replace(QStringLiteral("PVHOST2"), QStringLiteral("PVM") + QChar(letter));
        auto pieces = Frame(PeerPacketId(id) + login);
        EXPECT_EQ(pieces.size(), 2u);
        return pieces;
    }
    static QString Title(char letter) { return QString(300, QChar(letter)); }
    // A log-in of exactly iCount datagrams, whose title is the letter over and over.
    static std::pair<std::vector<QByteArray>, QString> Record(int id, char letter, int iCount,
                                                              char machine = 0)
    {
        const auto login = [&](int iTitle) {
            return PeerLogin("2200", "0", "0", "198.18.0.2\r\n", QString(iTitle, QChar(letter)))
                .replace(QStringLiteral("PVHOST2"),
                         QStringLiteral("PVM") + QChar(machine ? machine : letter));
        };
        // Half a datagram into the last one.
        const int iBare = static_cast<int>(Frame(PeerPacketId(id) + login(0))[0].size()) - 2;
        const int iTitle = 254 * (iCount - 1) + 127 - iBare;
        auto pieces = Frame(PeerPacketId(id) + login(iTitle));
        EXPECT_EQ(pieces.size(), static_cast<std::size_t>(iCount));
        return {pieces, QString(iTitle, QChar(letter))};
    }
    // Titles told briefly: the letter and how many when they are one letter over and over.
    static std::string Brief(const QStringList& titles)
    {
        QStringList brief;
        for (const QString& title : titles) {
            const bool same = !title.isEmpty() && title.count(title[0]) == title.size();
            brief.append(same ? QStringLiteral("%1 x%2").arg(title[0]).arg(title.size())
                              : title.left(10) + QStringLiteral("...") + title.right(10));
        }
        return brief.join(QStringLiteral(", ")).toStdString();
    }
    // A lone piece as long as the real one, which would end any record; the second unless told.
    static QByteArray Planted(const QByteArray& like, char fill = 'E', char number = '\x02')
    {
        return QByteArray(1, number) + QByteArray(like.size() - 2, fill) + QByteArray(1, '\0');
    }
    void Feed(qint64 at, const QString& sender, const QByteArray& datagram)
    {
        FNow = at;
        Access::Fragment(*Engine, sender, datagram);
    }
    int SlotsOf(const QString& sender) const
    {
        int n = 0;
        for (int i = 0; i < TParvaneNetwork::RecvDataBackCount; ++i)
            n += Access::Slot(*Engine, i).HostName == sender;
        return n;
    }

    qint64 FNow = 1000000;
    QStringList FTitles;
    int FGaveWay = 0;
    const QString FColleague = QStringLiteral("198.18.0.2");
};

struct PieceStep {
    qint64 at;  // milliseconds after the start
    int record; // 1 or 2: which of the colleague's records of two pieces, 3 its record of one, 0 the planted
                // piece, 4 a first piece whose length header no piece can meet
    int piece;  // 0 or 1
};

struct JoinCase {
    const char* name;
    std::vector<PieceStep> steps;
    QStringList titles;        // the records that come out, in order
    const char* planted = "E"; // the planted piece: "E" as long as the real one, "L" longer
};

const QString kTitleA(300, u'a');
const QString kTitleB(300, u'b');

const JoinCase kJoinCases[] = {
    {"BackToBack", {{0, 1, 0}, {1, 1, 1}}, {kTitleA}},
    {"SecondPieceFirst", {{0, 1, 1}, {200, 1, 0}}, {kTitleA}},
    // A piece planted with the colleague's address long before its first piece.
    {"PlantedAMinuteBefore", {{0, 0, 1}, {70000, 1, 0}, {70001, 1, 1}}, {kTitleA}},
    {"PlantedSecondsBefore", {{0, 0, 1}, {1500, 1, 0}, {1501, 1, 1}}, {kTitleA}},
    // One lost datagram: the next record's second piece must not finish the first one.
    {"LostSecondPiece", {{0, 1, 0}, {2000, 2, 0}, {2001, 2, 1}}, {kTitleB}},
    {"LostSecondPieceLongAgo", {{0, 1, 0}, {70000, 2, 0}, {70001, 2, 1}}, {kTitleB}},
    // A piece that carries the record past its length: the record is dropped whole,
    // and the real second piece, alone, makes nothing either.
    {"PiecePastTheLength", {{0, 1, 0}, {1, 0, 1}, {2, 1, 1}}, {}, "L"},
    // A record whose pieces came far apart is another record's remains.
    {"SecondPieceLongAfter", {{0, 1, 0}, {70000, 1, 1}}, {}},
    {"SecondPieceTenSecondsAfter", {{0, 1, 0}, {10000, 1, 1}}, {}},
    // A record whole in one datagram is never joined to a stray piece waiting beside it.
    {"WholeRecordBesideAStrayPiece", {{0, 0, 1}, {100, 3, 0}}, {QStringLiteral("ccc")}},
    {"WholeRecordWhileAnotherArrives", {{0, 1, 1}, {1, 3, 0}, {2, 1, 0}}, {QStringLiteral("ccc"), kTitleA}},
    // A first piece that is already past its length is dropped alone, and spoils no record it could join.
    {"RecordPastItsLengthInOneDatagram", {{0, 1, 1}, {1, 4, 0}, {2, 1, 0}}, {kTitleA}},
};

void PrintTo(const JoinCase& c, std::ostream* os)
{
    *os << c.name;
}

class JoiningPieces : public Reassembling, public testing::WithParamInterface<JoinCase> {};

TEST_P(JoiningPieces, ARecordIsMadeOnlyOfPiecesThatBelongTogether)
{
    const JoinCase& c = GetParam();
    const auto a = TwoPieces(1, 'a');
    const auto b = TwoPieces(2, 'b');
    const auto one =
        Frame(PeerPacketId(3) + PeerLogin("2200", "0", "0", "198.18.0.2\r\n", QStringLiteral("ccc"))
                                    .replace(QStringLiteral("PVHOST2"), QStringLiteral("PVMc")));
    EXPECT_EQ(one.size(), 1u);
    const QByteArray planted =
        QByteArray(c.planted) == "L" ? Planted(a[1] + QByteArray(20, 'L'), 'L') : Planted(a[1]);
    // Ten bytes by its header, forty in fact.
    const QByteArray pastItsLength = QByteArray("\x01"
                                                "0   10") +
                                     QByteArray(40, 'P') + QByteArray(1, '\0');
    const qint64 start = FNow;
    for (const PieceStep& step : c.steps)
        Feed(start + step.at, FColleague,
             step.record == 0   ? planted
             : step.record == 4 ? pastItsLength
                                : (step.record == 1   ? a
                                   : step.record == 2 ? b
                                                      : one)[step.piece]);
    EXPECT_EQ(FTitles, c.titles);
    for (const QString& title : FTitles)
        EXPECT_FALSE(title.contains(u'E') || title.contains(u'L') || title.contains(u'P'))
            << "a planted piece came out";
}

INSTANTIATE_TEST_SUITE_P(Cases, JoiningPieces, testing::ValuesIn(kJoinCases),
                         [](const testing::TestParamInfo<JoinCase>& info) {
                             return std::string(info.param.name);
                         });

// Lone pieces from five addresses take every slot: the oldest of them gives way to
// a colleague's record, which comes out whole; the others keep their slots.
TEST_F(Reassembling, WhenEverySlotIsTakenTheOldestUnfinishedRecordGivesWay)
{
    const auto a = TwoPieces(1, 'a');
    qint64 at = FNow;
    for (int s = 1; s <= 5; ++s) {
        for (int i = 0; i < 4; ++i)
            Feed(++at, QStringLiteral("198.18.7.%1").arg(s), Planted(a[1], static_cast<char>('E' + i)));
    }
    ASSERT_EQ(SlotsOf(QStringLiteral("198.18.7.1")), 4);
    Feed(at + 10, FColleague, a[0]);
    Feed(at + 11, FColleague, a[1]);
    EXPECT_EQ(FTitles, QStringList{kTitleA});
    EXPECT_EQ(FGaveWay, 1);
    EXPECT_EQ(SlotsOf(QStringLiteral("198.18.7.1")), 3);
    for (int s = 2; s <= 5; ++s)
        EXPECT_EQ(SlotsOf(QStringLiteral("198.18.7.%1").arg(s)), 4) << s;
}

// Sixteen colleagues' records are half in; one address sends lone pieces without
// end. It holds no more than its share, giving way to itself, so the sixteen finish.
TEST_F(Reassembling, ASendersOwnOldestRecordGivesWayOnceItHoldsItsShare)
{
    // Sixteen, not a figure read from the engine: a share raised past four must show.
    const int colleagues = 16;
    std::vector<std::vector<QByteArray>> records;
    qint64 at = FNow;
    for (int c = 0; c < colleagues; ++c) {
        records.push_back(TwoPieces(100 + c, static_cast<char>('a' + c)));
        Feed(++at, QStringLiteral("198.18.8.%1").arg(c + 1), records.back()[0]);
    }
    // Each piece of its own: the same piece again would be a repeat, dropped before it takes a slot.
    for (int i = 0; i < 30; ++i)
        Feed(++at, QStringLiteral("198.18.9.1"), Planted(records[0][1], static_cast<char>('E' + i)));
    EXPECT_LE(SlotsOf(QStringLiteral("198.18.9.1")), 4);
    for (int c = 0; c < colleagues; ++c)
        Feed(++at, QStringLiteral("198.18.8.%1").arg(c + 1), records[static_cast<std::size_t>(c)][1]);
    ASSERT_EQ(FTitles.size(), colleagues);
    for (int c = 0; c < colleagues; ++c)
        EXPECT_EQ(FTitles[c], Title(static_cast<char>('a' + c)));
    EXPECT_EQ(FGaveWay, 0);
}

// Pieces planted long before a record's first piece, the last of them lately:
// the first piece's lead counts from the earliest piece they hold.
TEST_F(Reassembling, AFirstPieceJoinsNoPiecesThatBeganLongBeforeIt)
{
    const auto [d, title] = Record(4, 'd', 3);
    const qint64 start = FNow;
    Feed(start, FColleague, Planted(d[1]));
    Feed(start + TParvaneNetwork::RecvPieceLeadMs + 500, FColleague, Planted(d[2], 'F', '\x03'));
    qint64 at = start + TParvaneNetwork::RecvPieceLeadMs + 600;
    for (const QByteArray& piece : d)
        Feed(++at, FColleague, piece);
    EXPECT_EQ(Brief(FTitles), Brief({title}));
}

// The network now and then delivers a datagram twice. A piece equal to one the
// sender's record holds already is a repeat: it costs neither that record nor
// the sender's next, sent a moment later.
struct RepeatCase {
    const char* name;
    int pieces;             // the datagrams of the record
    std::vector<int> order; // the pieces as they arrive a few milliseconds apart, 1 for the first
};

const RepeatCase kRepeatCases[] = {
    {"SecondPieceTwice", 3, {1, 2, 2, 3}},
    {"FirstPieceAgainAfterTheSecond", 3, {1, 2, 1, 3}},
    {"FourthOfNineTwice", 9, {1, 2, 3, 4, 4, 5, 6, 7, 8, 9}},
    {"FirstPieceTwice", 3, {1, 1, 2, 3}},
    {"EveryPieceTwice", 3, {1, 1, 2, 2, 3, 3}},
    {"SecondPieceFirstAndAgain", 3, {2, 1, 2, 3}},
    {"SecondOfTwoThrice", 2, {1, 2, 2, 2}},
    {"LastPieceAgainAfterTheEnd", 3, {1, 2, 3, 3}},
    {"SecondPieceAgainAfterTheEnd", 3, {1, 2, 3, 2}},
    {"FirstPieceAgainAfterTheEnd", 3, {1, 2, 3, 1}},
    {"WholeRecordTwice", 3, {1, 2, 3, 1, 2, 3}},
    {"LastOfNineAgainAfterTheEnd", 9, {1, 2, 3, 4, 5, 6, 7, 8, 9, 9}},
};

void PrintTo(const RepeatCase& c, std::ostream* os)
{
    *os << c.name;
}

class RepeatedPieces : public Reassembling, public testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatedPieces, ARepeatCostsNeitherItsRecordNorTheNext)
{
    const RepeatCase& c = GetParam();
    const auto [record, title] = Record(1, 'a', c.pieces);
    const auto [next, nextTitle] = Record(2, 'b', 3);
    qint64 at = FNow;
    for (int piece : c.order)
        Feed(at += 3, FColleague, record[static_cast<std::size_t>(piece - 1)]);
    at += 300;
    for (const QByteArray& piece : next)
        Feed(++at, FColleague, piece);
    EXPECT_EQ(Brief(FTitles), Brief({title, nextTitle}));
    EXPECT_EQ(SlotsOf(FColleague), 0) << "a repeat waits in a slot";
    EXPECT_EQ(FGaveWay, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, RepeatedPieces, testing::ValuesIn(kRepeatCases),
                         [](const testing::TestParamInfo<RepeatCase>& info) {
                             return std::string(info.param.name);
                         });

// A record sent again at once under a new packet id (another machine's log-in
// here, with the same title) repeats the first one's later pieces byte for byte:
// they are its own, whether the first one came out whole or lost its last piece.
TEST_F(Reassembling, ALaterPieceEqualToAnEarlierRecordsIsNoRepeatOfTheNewOne)
{
    for (const int firstSent : {3, 2}) {
        SCOPED_TRACE(firstSent == 3 ? "the first whole" : "the first without its last piece");
        const auto [first, title] = Record(10 * firstSent + 1, 'a', 3, static_cast<char>('a' + firstSent));
        const auto [again, sameTitle] =
            Record(10 * firstSent + 2, 'a', 3, static_cast<char>('n' + firstSent));
        ASSERT_NE(first[0], again[0]);
        ASSERT_EQ(first[1], again[1]);
        ASSERT_EQ(first[2], again[2]);
        FTitles.clear();
        for (int i = 0; i < firstSent; ++i)
            Feed(FNow + 3, FColleague, first[static_cast<std::size_t>(i)]);
        for (const QByteArray& piece : again)
            Feed(FNow + 3, FColleague, piece);
        EXPECT_EQ(Brief(FTitles),
                  Brief(firstSent == 3 ? QStringList{title, sameTitle} : QStringList{sameTitle}));
        FNow += TParvaneNetwork::RecvRecordLifetimeMs + 1;
        Access::Purge(*Engine);
    }
}

TEST_F(Reassembling, UnfinishedRecordsExpireInSeconds)
{
    const auto a = TwoPieces(1, 'a');
    const qint64 start = FNow;
    Feed(start, FColleague, a[0]);
    FNow = start + TParvaneNetwork::RecvRecordLifetimeMs;
    Access::Purge(*Engine);
    EXPECT_EQ(SlotsOf(FColleague), 1);
    FNow = start + TParvaneNetwork::RecvRecordLifetimeMs + 1;
    Access::Purge(*Engine);
    EXPECT_EQ(SlotsOf(FColleague), 0);
}

} // namespace
