#include "EngineTestAccess.h"
#include "EngineTestSupport.h"
#include "TestNames.h"

#include <gtest/gtest.h>

using namespace EngineTest;
using Access = TParvaneNetworkTestAccess;

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
    void Set(const QString& machine, const QString& dis = "Parvane2", const QString& ips = "10.0.0.1\r\n",
             const QString& handle = "h", int port = 52000, bool absence = false)
    {
        Access::LoginUserSet(Engine, machine, dis, ips, handle, 2200, absence, QString(), false, false, port);
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
    for (int i = 0; i < 257; ++i)
        Set(QStringLiteral("M%1").arg(i));
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
    QStringList Events;
    int FNextId = 100;
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
