#include "EngineTestSupport.h"
#include "ParvaneNetworkSeam.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace EngineTest;
using Access = TParvaneNetworkSeam;

namespace {

TEST(EngineCreate, StartsStoppedWithTheDocumentedValues)
{
    TParvaneNetwork e;
    EXPECT_NE(e.Handle(), 0u);
    EXPECT_EQ(e.Discrimination(), QStringLiteral("PVN"));
    EXPECT_EQ(e.Version(), 100);
    EXPECT_EQ(e.SocketNo(), -1);
    EXPECT_EQ(e.FTPSocketNo(), -1);
    EXPECT_EQ(e.PortNo(), 51000);
    EXPECT_EQ(e.FTPPortNo(), 52000);
    EXPECT_EQ(e.FTPSendByte(), 4096);
    EXPECT_EQ(e.FTPRecvByte(), 8192);
    EXPECT_TRUE(e.BroadcastIP().isEmpty());
    EXPECT_FALSE(e.Security());
    EXPECT_TRUE(e.MachineName().isEmpty());
    EXPECT_TRUE(e.HandleName().isEmpty());
    EXPECT_FALSE(e.Absence());
    EXPECT_TRUE(e.AbsenceTitle().isEmpty());
    EXPECT_TRUE(e.AbsenceMessage().isEmpty());
    EXPECT_FALSE(e.Menu());
    EXPECT_FALSE(e.Chat());
    EXPECT_FALSE(e.LoginStates());
    EXPECT_EQ(e.LoginCount(), 0);
    EXPECT_TRUE(e.IPAddress().isEmpty());
    EXPECT_EQ(Access::MaxSendByte(e), 256);
    EXPECT_EQ(Access::FTPMaxSendByte(e), 65507);
    EXPECT_NE(TParvaneNetwork().Handle(), e.Handle());
}

TEST(EngineCreate, OperationsFailHarmlesslyWhileStopped)
{
    TParvaneNetwork e;
    EXPECT_FALSE(e.Login());
    EXPECT_FALSE(e.LoginStates());
    EXPECT_FALSE(e.Logout());
    EXPECT_FALSE(e.InformationUpdate());
    EXPECT_FALSE(e.InformationReflesh());
    EXPECT_FALSE(e.ChatLogin());
    EXPECT_FALSE(e.Chat());
    EXPECT_FALSE(e.ChatLogout());
    EXPECT_TRUE(e.ChatSend(QStringLiteral("x")).isEmpty());
    e.ServiceEnd();
    EXPECT_EQ(e.SocketNo(), -1);
}

int TakeUdpPort(int port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<quint16>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int TakeTcpPort(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<quint16>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 1) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

class Lifecycle : public EngineOnLan {
protected:
    void ExpectStoppedAndReset()
    {
        EXPECT_EQ(Engine->SocketNo(), -1);
        EXPECT_EQ(Engine->FTPSocketNo(), -1);
        EXPECT_TRUE(Engine->MachineName().isEmpty());
        EXPECT_TRUE(Engine->IPAddress().isEmpty());
        EXPECT_FALSE(Engine->LoginStates());
        EXPECT_EQ(Engine->LoginCount(), 0);
        EXPECT_FALSE(Engine->Absence());
        EXPECT_TRUE(Engine->AbsenceTitle().isEmpty());
        EXPECT_TRUE(Engine->AbsenceMessage().isEmpty());
        EXPECT_FALSE(Access::PurgeTimerActive(*Engine));
    }
};

TEST_F(Lifecycle, StartReadsTheLocalNameAndAddresses)
{
    Start();
    EXPECT_NE(Engine->SocketNo(), -1);
    EXPECT_NE(Engine->FTPSocketNo(), -1);
    EXPECT_EQ(Engine->MachineName(), QStringLiteral("PVHOST1"));
    EXPECT_EQ(Engine->IPAddress(), QStringList{EngineAddress()});
    EXPECT_TRUE(Access::PurgeTimerActive(*Engine));
}

TEST_F(Lifecycle, SecondStartFailsAndChangesNothing)
{
    Start();
    ASSERT_TRUE(Engine->Login());
    Peer.ReceiveAll(200);
    const int udp = Engine->SocketNo();
    const int tcp = Engine->FTPSocketNo();
    EXPECT_FALSE(Engine->ServiceStart());
    EXPECT_EQ(Engine->SocketNo(), udp);
    EXPECT_EQ(Engine->FTPSocketNo(), tcp);
    EXPECT_TRUE(Engine->LoginStates());
    EXPECT_EQ(Engine->LoginCount(), 1);
}

struct TakenPort {
    const char* what;
    int (*take)(int);
    int port;
};

class PortTaken : public Lifecycle, public testing::WithParamInterface<TakenPort> {};

TEST_P(PortTaken, StartFailsWithEverythingResetAndSucceedsOnceFree)
{
    const int holder = GetParam().take(GetParam().port);
    ASSERT_GE(holder, 0);
    Engine->SetAbsence(true);
    Engine->SetAbsenceTitle(QStringLiteral("t"));
    Engine->SetHandleName(QStringLiteral("h"));
    EXPECT_FALSE(Engine->ServiceStart());
    ExpectStoppedAndReset();
    EXPECT_EQ(Engine->HandleName(), QStringLiteral("h"));
    EXPECT_EQ(Engine->PortNo(), 51000);
    close(holder);
    EXPECT_TRUE(Engine->ServiceStart());
    EXPECT_NE(Engine->SocketNo(), -1);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortTaken,
                         testing::Values(TakenPort{"udp", TakeUdpPort, 51000},
                                         TakenPort{"tcp", TakeTcpPort, 52000}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(Lifecycle, NoFilePortMeansNoListeningSocket)
{
    Engine->SetFTPPortNo(0);
    Start();
    EXPECT_NE(Engine->SocketNo(), -1);
    EXPECT_EQ(Engine->FTPSocketNo(), -1);
    ASSERT_TRUE(Engine->Login());
    auto login = NextRecord(QStringLiteral("PVMESSAGE:LOGIN"));
    ASSERT_TRUE(login);
    EXPECT_EQ(TParvaneNetwork::StringSplit(Unframe(login->Data), 9), QStringLiteral("0"));
}

TEST_F(Lifecycle, EndWhileLoggedInSendsLogoutAndKeepsTheSettings)
{
    Start(QStringLiteral("名前"));
    Engine->SetSecurity(false);
    Engine->SetBroadcastIP(QStringLiteral("198.18.0.9"));
    Engine->SetMenu(true);
    Engine->SetAbsence(true);
    ASSERT_TRUE(Engine->Login());
    Peer.ReceiveAll(200);
    Engine->ServiceEnd();
    auto logout = NextRecord(QStringLiteral("PVMESSAGE:LOGOUT"));
    ASSERT_TRUE(logout);
    EXPECT_EQ(Unframe(logout->Data), QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST1&|Parvane2"));
    ExpectStoppedAndReset();
    EXPECT_EQ(Engine->HandleName(), QStringLiteral("名前"));
    EXPECT_EQ(Engine->Discrimination(), QStringLiteral("Parvane2"));
    EXPECT_EQ(Engine->BroadcastIP(), QStringLiteral("198.18.0.9"));
    EXPECT_TRUE(Engine->Menu());
    EXPECT_FALSE(Engine->Chat());
    // A second end changes nothing and sends nothing.
    Engine->ServiceEnd();
    EXPECT_TRUE(Peer.ReceiveAll(200).empty());
    EXPECT_TRUE(Engine->ServiceStart());
    EXPECT_EQ(Engine->MachineName(), QStringLiteral("PVHOST1"));
}

TEST_F(Lifecycle, DestroyingARunningEngineLogsOut)
{
    Start();
    ASSERT_TRUE(Engine->Login());
    Peer.ReceiveAll(200);
    Engine.reset();
    EXPECT_TRUE(NextRecord(QStringLiteral("PVMESSAGE:LOGOUT")));
}

TEST_F(Lifecycle, AddressChangeIsSeenAfterATickAndOnlyOnce)
{
    Access::SetIntervals(*Engine, 20, 30000);
    Start();
    int changes = 0;
    Engine->OnIPAddressChange = [&](TParvaneNetwork*) { ++changes; };
    PumpFor(150);
    EXPECT_EQ(changes, 0) << "an unchanged list raises nothing, however many ticks";

    ASSERT_TRUE(RunIp({"-n", FLan->NamespaceName(0), "addr", "add", "198.18.3.1/15", "dev", "eth0"}));
    ASSERT_TRUE(WaitUntil([&] { return changes == 1; }));
    EXPECT_EQ(Engine->IPAddress(), (QStringList{EngineAddress(), QStringLiteral("198.18.3.1")}));
    PumpFor(150);
    EXPECT_EQ(changes, 1);

    ASSERT_TRUE(RunIp({"-n", FLan->NamespaceName(0), "addr", "del", "198.18.3.1/15", "dev", "eth0"}));
    ASSERT_TRUE(WaitUntil([&] { return changes == 2; }));
    EXPECT_EQ(Engine->IPAddress(), QStringList{EngineAddress()});
}

TEST_F(Lifecycle, DeliveryTimerOfSlot255LeavesThePeriodicTimerRunning)
{
    Access::SetIntervals(*Engine, 40, 10);
    Start();
    Access::SetSendHistory(*Engine, 255, TPVN_SendHistory{"m", "id", PeerAddress(), "Parvane2"});
    Access::StartSendTimeout(*Engine, 255);
    ASSERT_TRUE(WaitUntil([&] { return !Access::SendTimerActive(*Engine, 255); }));
    EXPECT_TRUE(Access::PurgeTimerActive(*Engine));

    // The purge still ticks, and with it the address comparison.
    int changes = 0;
    Engine->OnIPAddressChange = [&](TParvaneNetwork*) { ++changes; };
    ASSERT_TRUE(RunIp({"-n", FLan->NamespaceName(0), "addr", "add", "198.18.3.2/15", "dev", "eth0"}));
    EXPECT_TRUE(WaitUntil([&] { return changes == 1; }));
    RunIp({"-n", FLan->NamespaceName(0), "addr", "del", "198.18.3.2/15", "dev", "eth0"});
}

TEST_F(Lifecycle, DeliveryTimeoutAfterTheEndRereadsTheAddresses)
{
    Access::SetIntervals(*Engine, 5000, 10);
    Start();
    Engine->ServiceEnd();
    ASSERT_TRUE(Engine->IPAddress().isEmpty());
    int changes = 0;
    Engine->OnIPAddressChange = [&](TParvaneNetwork*) { ++changes; };
    Access::StartSendTimeout(*Engine, 1);
    ASSERT_TRUE(WaitUntil([&] { return changes == 1; }));
    EXPECT_EQ(Engine->IPAddress(), QStringList{EngineAddress()});
}

// The peer's end of a TCP connection to the engine's file port.
int ConnectFromPeer(TestLan& lan, const QString& to)
{
    return lan.In(1, [&] {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(52000);
        a.sin_addr.s_addr = htonl(Address(to));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    });
}

bool SeesEndOfStream(int fd)
{
    return WaitUntil([fd] {
        char c;
        return recv(fd, &c, 1, MSG_DONTWAIT) == 0;
    });
}

TEST_F(Lifecycle, AcceptedConnectionThatCannotBeWatchedIsClosed)
{
    Start();
    int refused = 0;
    Access::SetSelectHook(*Engine, [&](int, int events) {
        const bool accepted = events == (TParvaneNetwork::FD_READ | TParvaneNetwork::FD_CLOSE);
        refused += accepted;
        return !accepted;
    });
    // Connecting from host 1 needs this thread there for a moment; the engine's sockets stay in host 0.
    FLan->Leave();
    const int fd = ConnectFromPeer(*FLan, EngineAddress());
    FLan->Enter(0);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(SeesEndOfStream(fd));
    EXPECT_EQ(refused, 1);
    close(fd);
}

TEST_F(Lifecycle, ReleasedTransferRecordsTakeTheirSocketsWithThem)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    Start();
    Access::AdoptIncoming(*Engine, pair[0]);
    Engine->ServiceEnd();
    ASSERT_TRUE(Engine->ServiceStart());
    EXPECT_TRUE(SeesEndOfStream(pair[1])) << "the service start releases every record";
    close(pair[1]);

    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    Access::AdoptIncoming(*Engine, pair[0]);
    Engine.reset();
    EXPECT_TRUE(SeesEndOfStream(pair[1])) << "so does the destruction";
    close(pair[1]);
}

} // namespace
