#include "EngineTestSupport.h"
#include "ForgedDatagram.h"
#include "ParvaneNetworkSeam.h"
#include "TestNames.h"

#include <gtest/gtest.h>

using namespace EngineTest;
using Access = TParvaneNetworkSeam;

namespace {

// The table alone: entries go in through the same routine the presence records use.
class PeerTable : public testing::Test {
protected:
    void SetUp() override
    {
        Engine.OnLogin = [this](TParvaneNetwork*, const QString& h, const QString& m, const QString& ip,
                                const QString& d, int, bool, const QString&, bool, bool,
                                int) { Events.append("login " + h + " " + m + " " + ip + " " + d); };
        Engine.OnInfoChange = [this](TParvaneNetwork*, const QString& m, const QString& h, const QString& ip,
                                     const QString&, int v, bool a, const QString& t, bool, bool, int port) {
            Events.append(
                QStringLiteral("info %1 %2 %3 %4 %5 %6 %7").arg(m, h, ip).arg(v).arg(a).arg(t).arg(port));
        };
        Engine.OnLogout = [this](TParvaneNetwork*, const QString& h, const QString& m, const QString& ip,
                                 const QString& d) {
            Events.append("logout " + h + " " + m + " " + ip + " " + d);
        };
    }
    // An entry as a presence record from its first listed address would set it.
    void Set(const QString& machine, const QString& dis = "Parvane2", const QString& ips = "10.0.0.1\r\n",
             const QString& handle = "h", int port = 52000, bool absence = false)
    {
        SetFrom(ips.section(QStringLiteral("\r\n"), 0, 0), machine, dis, ips, handle, port, absence);
    }
    void SetFrom(const QString& sender, const QString& machine, const QString& dis = "Parvane2",
                 const QString& ips = "10.0.0.1\r\n", const QString& handle = "h", int port = 52000,
                 bool absence = false)
    {
        Access::LoginUserSet(Engine, machine, dis, ips, handle, 2200, absence, QString(), false, false, port,
                             sender);
    }
    QStringList Machines() const
    {
        QStringList machines;
        for (int i = 0; i < Engine.LoginCount(); ++i)
            machines.append(Engine.GetLoginUser(i).Machine);
        return machines;
    }

    TParvaneNetwork Engine;
    QStringList Events;
};

TEST_F(PeerTable, IdenticalDataRaisesNothingButANewFilePortIsStored)
{
    Set("M1");
    EXPECT_EQ(Events, QStringList{"login h M1 10.0.0.1 Parvane2"});
    Set("M1");
    Set("M1", "Parvane2", "10.0.0.1\r\n", "h", 53000);
    EXPECT_EQ(Events.size(), 1);
    EXPECT_EQ(Engine.GetLoginUser(0).FTPPort, 53000) << "files must go where the peer listens now";

    Set("M1", "Parvane2", "10.0.0.1\r\n", "h", 53000, true);
    EXPECT_EQ(Events.last(), "info M1 h 10.0.0.1 2200 1  53000");
}

TEST_F(PeerTable, AddressWithoutLineBreakCountsAsAChangeEveryTime)
{
    Set("M1", "Parvane2", "10.0.0.1");
    EXPECT_EQ(Engine.GetLoginUser(0).IPAddress, QStringList{"10.0.0.1"});
    Set("M1", "Parvane2", "10.0.0.1");
    Set("M1", "Parvane2", "10.0.0.1");
    EXPECT_EQ(Events.size(), 3);
    EXPECT_TRUE(Events.last().startsWith("info M1"));
}

TEST_F(PeerTable, KeyIsMachineAndIdentifierAndLookupTakesTheFirst)
{
    Set("M1", "Parvane2", "10.0.0.1\r\n10.0.0.2\r\n");
    Set("M1", "Other", "10.0.0.9\r\n");
    Set("m1", "Parvane2", "10.0.0.7\r\n");
    EXPECT_EQ(Engine.LoginCount(), 3);
    EXPECT_EQ(Access::MachineNameToIPAddress(Engine, "M1"), "10.0.0.1");
    EXPECT_EQ(Access::MachineNameToIPAddress(Engine, "m1"), "10.0.0.7");
    EXPECT_EQ(Access::MachineNameToIPAddress(Engine, "M2"), "");
    EXPECT_EQ(Engine.GetLoginUser(0).IPAddress, (QStringList{"10.0.0.1", "10.0.0.2"}));
}

TEST_F(PeerTable, RemovalClosesTheGapAndReportsTheWholeAddressList)
{
    Set("M1", "Parvane2", "10.0.0.1\r\n10.0.0.2\r\n", "one");
    Set("M2", "Parvane2", "10.0.0.3\r\n", "two");
    Set("M3", "Parvane2", "10.0.0.4\r\n", "three");
    Events.clear();
    Access::LoginUserDelete(Engine, "M1", "Other");
    EXPECT_TRUE(Events.isEmpty());
    Access::LoginUserDelete(Engine, "M1", "Parvane2");
    EXPECT_EQ(Events, QStringList{"logout one M1 10.0.0.1\r\n10.0.0.2\r\n Parvane2"});
    EXPECT_EQ(Engine.LoginCount(), 2);
    EXPECT_EQ(Engine.GetLoginUser(0).Machine, "M2");
    EXPECT_EQ(Engine.GetLoginUser(1).Machine, "M3");
    EXPECT_TRUE(Engine.GetLoginUser(2).Machine.isEmpty());
}

TEST_F(PeerTable, FullTableIgnoresFurtherKeysAndOutOfRangeEntriesAreEmpty)
{
    // Each from an address of its own, so no address holds more than its share.
    for (int i = 0; i < 257; ++i)
        Set(QStringLiteral("M%1").arg(i), "Parvane2",
            QStringLiteral("10.0.%1.%2\r\n").arg(i / 200).arg(i % 200));
    EXPECT_EQ(Engine.LoginCount(), 256);
    EXPECT_EQ(Events.size(), 256);
    EXPECT_EQ(Engine.GetLoginUser(255).Machine, "M255");
    // A listed peer can still change while the table is full.
    Set("M3", "Parvane2", "10.0.0.1\r\n", "renamed");
    EXPECT_EQ(Engine.GetLoginUser(3).Handle, "renamed");

    for (int index : {-1, 256, 1000}) {
        const TPVN_LoginUserInformation u = Engine.GetLoginUser(index);
        EXPECT_TRUE(u.Machine.isEmpty() && u.Handle.isEmpty() && u.IPAddress.isEmpty()) << index;
        EXPECT_EQ(u.FTPPort, 0);
    }
    Access::LoginUserDelete(Engine, "M0", "Parvane2");
    EXPECT_EQ(Engine.GetLoginUser(Engine.LoginCount()).Machine, "");
}

// An address that holds its share of entries gives up its oldest for a new one,
// with a log-out; other addresses keep theirs, and a known key may still change.
TEST_F(PeerTable, AnAddressHoldsItsShareAndItsOldestEntryGivesWay)
{
    const int share = TParvaneNetwork::LoginUserPerAddressMax;
    SetFrom("10.0.0.2", "Other");
    for (int i = 0; i < share; ++i)
        SetFrom("10.0.0.9", QStringLiteral("F%1").arg(i), "Parvane2", "10.0.0.9\r\n",
                QStringLiteral("f%1").arg(i));
    EXPECT_EQ(Engine.LoginCount(), 1 + share);
    EXPECT_FALSE(Events.join('\n').contains("logout"));
    // A known key from that address changes in place and takes no room.
    SetFrom("10.0.0.9", "F1", "Parvane2", "10.0.0.9\r\n", "renamed");
    EXPECT_EQ(Engine.LoginCount(), 1 + share);
    Events.clear();

    SetFrom("10.0.0.9", "New", "Parvane2", "10.0.0.9\r\n", "new");
    EXPECT_EQ(Events, (QStringList{"logout f0 F0 10.0.0.9\r\n Parvane2", "login new New 10.0.0.9 Parvane2"}));
    QStringList expected{"Other"};
    for (int i = 1; i < share; ++i)
        expected.append(QStringLiteral("F%1").arg(i));
    expected.append("New");
    EXPECT_EQ(Machines(), expected);
    // The entry counts against the address it came from, whatever it announced.
    SetFrom("10.0.0.9", "Claims", "Parvane2", "10.0.0.77\r\n");
    EXPECT_EQ(Machines().size(), 1 + share);
    EXPECT_FALSE(Machines().contains("F1"));
}

// This copy's own entry never gives way, even to records from its own address.
TEST_F(PeerTable, TheOwnEntryIsNeverTheOneThatGivesWay)
{
    Engine.SetDiscrimination("Parvane2");
    Access::SetMachineName(Engine, "PVHOST1");
    Set("PVHOST1", "Parvane2");
    for (int i = 0; i < 3 * TParvaneNetwork::LoginUserPerAddressMax; ++i)
        Set(QStringLiteral("F%1").arg(i));
    EXPECT_EQ(Engine.LoginCount(), TParvaneNetwork::LoginUserPerAddressMax);
    EXPECT_EQ(Engine.GetLoginUser(0).Machine, "PVHOST1");
}

// A handler that logs out while the oldest entry gives way stops the new one too.
TEST_F(PeerTable, ALogOutInsideTheGivingWayAddsNothing)
{
    for (int i = 0; i < TParvaneNetwork::LoginUserPerAddressMax; ++i)
        Set(QStringLiteral("F%1").arg(i));
    Events.clear();
    int logouts = 0;
    Engine.OnLogout = [&](TParvaneNetwork* e, const QString&, const QString&, const QString&,
                          const QString&) {
        ++logouts;
        e->Logout();
    };
    Access::SetLoggedIn(Engine);
    Set("New");
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(Engine.LoginCount(), 0);
    EXPECT_TRUE(Events.isEmpty()) << qPrintable(Events.join('\n'));
}

// Presence records from a scripted peer on the LAN.
class Presence : public EngineOnLan {
protected:
    void LogIn()
    {
        Start();
        ASSERT_TRUE(Engine->Login());
        Peer.ReceiveAll(200);
        Engine->OnLogin = [this](TParvaneNetwork*, const QString&, const QString& m, const QString&,
                                 const QString&, int, bool, const QString& title, bool, bool chat, int port) {
            Events.append(QStringLiteral("login %1 %2 %3 %4").arg(m, title).arg(chat).arg(port));
        };
        Engine->OnInfoChange = [this](TParvaneNetwork*, const QString& m, const QString&, const QString&,
                                      const QString&, int, bool, const QString&, bool, bool,
                                      int) { Events.append("info " + m); };
    }
    void PeerSends(const QString& text)
    {
        ASSERT_TRUE(Peer.SendAll(Frame(PeerPacketId(++FNextId) + text), EngineAddress()));
    }
    // The same record from host 1 with another source address, as a forger sends it.
    void SendsAs(const QString& source, const QString& text)
    {
        if (!FForger) {
            FForger = std::make_unique<TestSupport::ForgedDatagram>(*FLan, 1);
            // Making it left the thread outside the LAN: back into the engine's host.
            ASSERT_TRUE(EnterHost(0));
        }
        ASSERT_TRUE(FForger->IsOpen()) << qPrintable(FForger->Error());
        for (const QByteArray& d : Frame(PeerPacketId(++FNextId) + text))
            ASSERT_TRUE(FForger->Send(source, EngineAddress(), kPort, d)) << qPrintable(FForger->Error());
    }
    QStringList Events;
    int FNextId = 100;
    std::unique_ptr<TestSupport::ForgedDatagram> FForger;
};

struct MalformedCase {
    const char* version;
    const char* absence;
    const char* menu;
};

void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << "version \"" << c.version << "\", absence \"" << c.absence << "\", menu \"" << c.menu << '"';
}

class MalformedPresence : public Presence, public testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedPresence, IsAnsweredButNeverEntered)
{
    LogIn();
    const MalformedCase& c = GetParam();
    PeerSends(PeerLogin(c.version, c.absence, c.menu));
    auto ok = NextRecord(QStringLiteral("PVMESSAGE:LOGIN_OK"));
    ASSERT_TRUE(ok) << "the answer to a LOGIN goes out first";
    EXPECT_TRUE(Unframe(ok->Data).startsWith("PVMESSAGE:LOGIN_OK&|198.18.0.2&|Parvane2&|"));
    PumpFor(100);
    EXPECT_TRUE(Events.isEmpty());
    EXPECT_EQ(Engine->LoginCount(), 1);

    // Listed properly first, a malformed change leaves the entry as it was.
    PeerSends(PeerLogin());
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 1; }));
    PeerSends(QStringLiteral("PVMESSAGE:INFO_CHANGE&|PVHOST2&|Parvane2&|198.18.0.2&|新しい名前&|") +
              c.version + "&|" + c.absence + "&|" + c.menu + "&|1&|52000&|198.18.0.2\r\n&|");
    PumpFor(200);
    EXPECT_EQ(Events.size(), 1);
    EXPECT_EQ(Engine->GetLoginUser(1).Handle, QStringLiteral("花子"));
    EXPECT_FALSE(Engine->GetLoginUser(1).Chat);
}

INSTANTIATE_TEST_SUITE_P(Fields, MalformedPresence,
                         testing::Values(MalformedCase{"x", "0", "0"}, MalformedCase{"", "0", "0"},
                                         MalformedCase{"2200", "1a", "0"}, MalformedCase{"2200", "0", "yes"},
                                         MalformedCase{"99999999999", "0", "0"},
                                         MalformedCase{" 2200", "0", "0"}, MalformedCase{"2200", "0x1", "0"}),
                         [](const testing::TestParamInfo<MalformedCase>& info) {
                             return "Version_" +
                                    TestSupport::ReadableName(QString::fromUtf8(info.param.version)) +
                                    "_Absence_" +
                                    TestSupport::ReadableName(QString::fromUtf8(info.param.absence)) +
                                    "_Menu_" + TestSupport::ReadableName(QString::fromUtf8(info.param.menu));
                         });

// A change or a log-out counts only from one of the addresses the peer announced;
// a log-in counts from anywhere, as a peer whose address changed sends one.
TEST_F(Presence, ChangesAndLogOutsCountOnlyFromThePeersOwnAddresses)
{
    LogIn();
    Engine->OnLogout = [this](TParvaneNetwork*, const QString&, const QString& m, const QString& ip,
                              const QString&) { Events.append("logout " + m + " " + ip.trimmed()); };
    PeerSends(PeerLogin());
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 1; }));
    const QString foreign = QStringLiteral("198.18.0.77");
    SendsAs(foreign,
            QStringLiteral("PVMESSAGE:INFO_CHANGE&|PVHOST2&|Parvane2&|198.18.0.77&|偽名&|2200&|1&|0&|0&|"
                           "52000&|198.18.0.77\r\n&|帰宅"));
    SendsAs(foreign, QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST2&|Parvane2"));
    PeerSends(PeerLogin("2200", "1", "0", "198.18.0.2\r\n", QStringLiteral("会議")));
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 2; }));
    EXPECT_EQ(Events.last(), "info PVHOST2");
    EXPECT_EQ(Engine->LoginCount(), 2);
    EXPECT_EQ(Engine->GetLoginUser(1).Handle, QStringLiteral("花子"));
    EXPECT_EQ(Engine->GetLoginUser(1).AbsenceTitle, QStringLiteral("会議"));

    SendsAs(foreign, PeerLogin("2200", "0", "0", "198.18.0.77\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 3; }));
    EXPECT_EQ(Engine->GetLoginUser(1).IPAddress, QStringList{foreign});
    SendsAs(foreign, QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST2&|Parvane2"));
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 4; }));
    EXPECT_EQ(Events.last(), "logout PVHOST2 198.18.0.77");
    EXPECT_EQ(Engine->LoginCount(), 1);
}

TEST_F(Presence, LenientFieldsFallBackToZero)
{
    LogIn();
    PeerSends(PeerLogin("2200", "0", "0", "198.18.0.2\r\n", "t", "port?"));
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 1; }));
    EXPECT_EQ(Events.first(), "login PVHOST2 t 0 0");
}

TEST_F(Presence, EmptyAddressListTakesTheMainAddressAndDropsTheTitle)
{
    LogIn();
    PeerSends(PeerLogin("2200", "1", "0", QString(), QStringLiteral("会議")));
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 1; }));
    EXPECT_EQ(Events.first(), "login PVHOST2  0 52000");
    EXPECT_EQ(Engine->GetLoginUser(1).IPAddress, QStringList{"198.18.0.2"});
}

TEST_F(Presence, LoginOkCountsOnlyWhenAddressedHere)
{
    LogIn();
    const QString profile =
        QStringLiteral("PVHOST2&|198.18.0.2&|Parvane2&|花子&|2200&|0&|0&|0&|52000&|198.18.0.2\r\n&|");
    PeerSends("PVMESSAGE:LOGIN_OK&|198.18.0.1&|Other&|" + profile);
    PeerSends("PVMESSAGE:LOGIN_OK&|198.18.0.77&|Parvane2&|" + profile);
    PumpFor(200);
    EXPECT_TRUE(Events.isEmpty());
    PeerSends("PVMESSAGE:LOGIN_OK&|198.18.0.1&|Parvane2&|" + profile);
    ASSERT_TRUE(WaitUntil([&] { return Events.size() == 1; }));
    EXPECT_EQ(Events.first(), "login PVHOST2  0 52000");
}

TEST_F(Presence, UnknownKeywordsAndRecordsWhileLoggedOutAreDropped)
{
    LogIn();
    PeerSends(QStringLiteral("PVMESSAGE:LOGINX&|PVHOST2"));
    PeerSends(QStringLiteral("pvmessage:login&|PVHOST2"));
    PumpFor(150);
    EXPECT_TRUE(Peer.ReceiveAll(100).empty()) << "nothing is answered";
    ASSERT_TRUE(Engine->Logout());
    Peer.ReceiveAll(100);
    PeerSends(PeerLogin());
    PumpFor(150);
    EXPECT_TRUE(Peer.ReceiveAll(100).empty());
    EXPECT_TRUE(Events.isEmpty());
}

TEST_F(Presence, HandlerMayLogOutInsideTheEvent)
{
    LogIn();
    int logins = 0;
    Engine->OnLogin = [&](TParvaneNetwork* e, const QString&, const QString&, const QString&, const QString&,
                          int, bool, const QString&, bool, bool, int) {
        ++logins;
        e->Logout();
    };
    PeerSends(PeerLogin());
    ASSERT_TRUE(WaitUntil([&] { return logins == 1; }));
    EXPECT_FALSE(Engine->LoginStates());
    EXPECT_EQ(Engine->LoginCount(), 0);
    EXPECT_TRUE(NextRecord(QStringLiteral("PVMESSAGE:LOGOUT")));
}

TEST_F(Presence, ChatLinesWaitForMembership)
{
    LogIn();
    QStringList lines;
    Engine->OnChatMessage = [&](TParvaneNetwork*, const QString& m, const QString& id, const QString& h,
                                const QString& mch, const QString& d, const QString& t) {
        lines.append(QStringList{m, id, h, mch, d, t}.join('|'));
    };
    const QString chat =
        QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|花子&|PVHOST2&|198.18.0.2&|Parvane2&|ID&|line");
    PeerSends(chat);
    PumpFor(150);
    EXPECT_TRUE(lines.isEmpty());
    ASSERT_TRUE(Engine->ChatLogin());
    FixedStamps stamps;
    PeerSends(chat);
    ASSERT_TRUE(WaitUntil([&] { return lines.size() == 1; }));
    EXPECT_EQ(lines.first(),
              QStringLiteral("line|ID|花子|PVHOST2|Parvane2|2011年08月29日 午前 12時05分09秒"));
    ASSERT_TRUE(Engine->Logout());
    EXPECT_FALSE(Engine->Chat());
}

} // namespace
