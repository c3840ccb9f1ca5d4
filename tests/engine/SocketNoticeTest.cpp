#include "EngineTestSupport.h"
#include "ParvaneNetworkSeam.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

using namespace EngineTest;
using Access = TParvaneNetworkSeam;
using E = TParvaneNetwork;

namespace {

struct Notice {
    int Socket;
    int Event;
    int Error;
    bool operator==(const Notice&) const = default;
};

// An engine whose transfer-socket notices are collected instead of handled.
class Notices : public testing::Test {
protected:
    void SetUp() override
    {
        Access::SetNoticeHook(Engine, [this](int s, int ev, int err) {
            Got.push_back({s, ev, err});
            if (OnNotice)
                OnNotice(s, ev, err);
        });
    }
    void TearDown() override
    {
        for (int fd : FOpen)
            close(fd);
    }
    std::pair<int, int> Pair()
    {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        FOpen.push_back(fds[1]);
        return {fds[0], fds[1]};
    }
    int Count(int event) const
    {
        int n = 0;
        for (const Notice& x : Got)
            n += x.Event == event;
        return n;
    }

    TParvaneNetwork Engine;
    std::vector<Notice> Got;
    std::function<void(int, int, int)> OnNotice;
    std::vector<int> FOpen;
};

TEST_F(Notices, DataReportsOnceUntilTheEngineReadsAgain)
{
    auto [mine, theirs] = Pair();
    ASSERT_TRUE(Access::Select(Engine, mine, E::FD_READ | E::FD_CLOSE));
    ASSERT_EQ(write(theirs, "0123456789", 10), 10);
    PumpFor(100);
    EXPECT_EQ(Got, (std::vector<Notice>{{mine, E::FD_READ, 0}}));

    char buffer[16];
    ASSERT_EQ(Access::Recv(Engine, mine, buffer, 4), 4);
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_READ), 2) << "data still waits after a partial read";
    ASSERT_EQ(Access::Recv(Engine, mine, buffer, 16), 6);
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_READ), 2);

    close(theirs);
    FOpen.clear();
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_CLOSE), 1);
    PumpFor(100);
    EXPECT_EQ(Got.size(), 3u) << "a close is reported once";
    Access::Close(Engine, mine);
}

TEST_F(Notices, CloseComesAfterTheLastDataIsRead)
{
    auto [mine, theirs] = Pair();
    ASSERT_TRUE(Access::Select(Engine, mine, E::FD_READ | E::FD_CLOSE));
    ASSERT_EQ(write(theirs, "abc", 3), 3);
    close(theirs);
    FOpen.clear();
    PumpFor(100);
    EXPECT_EQ(Got, (std::vector<Notice>{{mine, E::FD_READ, 0}}));
    char buffer[8];
    ASSERT_EQ(Access::Recv(Engine, mine, buffer, 8), 3);
    ASSERT_TRUE(WaitUntil([&] { return Count(E::FD_CLOSE) == 1; }));
    EXPECT_EQ(Got.back(), (Notice{mine, E::FD_CLOSE, 0}));
    Access::Close(Engine, mine);
}

TEST_F(Notices, HandlerThatYieldsIsNotEnteredAgainForTheSameData)
{
    auto [mine, theirs] = Pair();
    ASSERT_TRUE(Access::Select(Engine, mine, E::FD_READ | E::FD_CLOSE));
    int depth = 0;
    int deepest = 0;
    OnNotice = [&](int, int, int) {
        ++depth;
        deepest = std::max(deepest, depth);
        PumpFor(100); // as a transfer does between its pieces
        --depth;
    };
    ASSERT_EQ(write(theirs, "x", 1), 1);
    PumpFor(300);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(Count(E::FD_READ), 1);
    Access::Close(Engine, mine);
}

TEST_F(Notices, NoticeOfAClosedSocketNeverReachesItsSuccessor)
{
    auto [first, firstPeer] = Pair();
    ASSERT_TRUE(Access::Select(Engine, first, E::FD_READ | E::FD_WRITE | E::FD_CLOSE));
    Access::Post(Engine, first, E::FD_WRITE);
    Access::Close(Engine, first);
    // The system hands the number out again at once.
    auto [second, secondPeer] = Pair();
    ASSERT_EQ(second, first);
    ASSERT_TRUE(Access::Select(Engine, second, E::FD_READ | E::FD_WRITE | E::FD_CLOSE));
    PumpFor(100);
    EXPECT_TRUE(Got.empty());
    Access::Post(Engine, second, E::FD_WRITE);
    PumpFor(50);
    EXPECT_EQ(Got, (std::vector<Notice>{{second, E::FD_WRITE, 0}}));
    Access::Close(Engine, second);
    (void)firstPeer;
    (void)secondPeer;
}

TEST_F(Notices, StoppedNotificationsReportNothing)
{
    auto [mine, theirs] = Pair();
    ASSERT_TRUE(Access::Select(Engine, mine, E::FD_READ | E::FD_CLOSE));
    ASSERT_TRUE(Access::Select(Engine, mine, 0));
    ASSERT_EQ(write(theirs, "x", 1), 1);
    PumpFor(100);
    EXPECT_TRUE(Got.empty());
    EXPECT_FALSE(Access::Select(Engine, 999, E::FD_READ)) << "a descriptor that is not open";
    Access::Close(Engine, mine);
}

TEST_F(Notices, CloseOnlyWatchSeesTheCloseWhileDataWaits)
{
    auto [mine, theirs] = Pair();
    ASSERT_TRUE(Access::Select(Engine, mine, E::FD_CLOSE));
    ASSERT_EQ(write(theirs, "waiting", 7), 7);
    PumpFor(150);
    EXPECT_TRUE(Got.empty()) << "data alone is not reported";
    shutdown(theirs, SHUT_WR);
    ASSERT_TRUE(WaitUntil([&] { return Count(E::FD_CLOSE) == 1; }));
    EXPECT_EQ(Count(E::FD_READ), 0);
    Access::Close(Engine, mine);
}

TEST_F(Notices, WriteIsReportedWhenABlockedSendHasRoomAgain)
{
    auto [mine, theirs] = Pair();
    ASSERT_TRUE(Access::Select(Engine, mine, E::FD_READ | E::FD_WRITE | E::FD_CLOSE));
    const QByteArray block(65536, 'b');
    while (Access::Send(Engine, mine, block.constData(), block.size()) > 0) {
    }
    EXPECT_EQ(Access::LastError(Engine), E::WSAEWOULDBLOCK);
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_WRITE), 0);
    char sink[65536];
    while (read(theirs, sink, sizeof sink) > 0) {
    }
    ASSERT_TRUE(WaitUntil([&] { return Count(E::FD_WRITE) == 1; }));
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_WRITE), 1);
    Access::Close(Engine, mine);
}

TEST_F(Notices, AcceptReportsOnceUntilTheEngineAccepts)
{
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    const QByteArray path = QStringLiteral("pvnotice%1").arg(getpid()).toLatin1();
    memcpy(name.sun_path + 1, path.constData(), static_cast<size_t>(path.size())); // abstract name
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&name), length), 0);
    ASSERT_EQ(listen(listener, 5), 0);
    ASSERT_TRUE(Access::Select(Engine, listener, E::FD_ACCEPT));
    for (int i = 0; i < 2; ++i) {
        const int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&name), length), 0);
        FOpen.push_back(client);
    }
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_ACCEPT), 1);
    const int accepted = Access::Accept(Engine, listener);
    ASSERT_GE(accepted, 0);
    EXPECT_NE(fcntl(accepted, F_GETFL) & O_NONBLOCK, 0);
    ASSERT_TRUE(WaitUntil([&] { return Count(E::FD_ACCEPT) == 2; }));
    const int second = Access::Accept(Engine, listener);
    ASSERT_GE(second, 0);
    PumpFor(100);
    EXPECT_EQ(Count(E::FD_ACCEPT), 2);
    EXPECT_EQ(Access::Accept(Engine, listener), -1);
    EXPECT_EQ(Access::LastError(Engine), E::WSAEWOULDBLOCK);
    close(accepted);
    close(second);
    Access::Close(Engine, listener);
}

// Connections need real addresses, so these run on the test LAN.
class ConnectNotices : public EngineOnLan {
protected:
    void SetUp() override
    {
        EngineOnLan::SetUp();
        if (HasFatalFailure())
            return;
        Access::SetNoticeHook(*Engine, [this](int s, int ev, int err) { Got.push_back({s, ev, err}); });
    }
    int NewTcp()
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        EXPECT_TRUE(Access::Select(*Engine, fd, E::FD_READ | E::FD_WRITE | E::FD_CONNECT | E::FD_CLOSE));
        return fd;
    }
    std::vector<Notice> Got;
};

TEST_F(ConnectNotices, RefusedConnectionReportsItsError)
{
    const int fd = NewTcp();
    EXPECT_EQ(Access::Connect(*Engine, fd, Address(PeerAddress()), 40000), 0);
    ASSERT_TRUE(WaitUntil([&] { return !Got.empty(); }));
    PumpFor(100);
    EXPECT_EQ(Got, (std::vector<Notice>{{fd, E::FD_CONNECT, E::WSAECONNREFUSED}}));
    Access::Close(*Engine, fd);
}

TEST_F(ConnectNotices, ConnectionReportsConnectThenWriteThenData)
{
    const int listener = FLan->In(1, [] {
        const int l = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(40001);
        bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(l, 1);
        return l;
    });
    FLan->Enter(0);
    const int fd = NewTcp();
    EXPECT_EQ(Access::Connect(*Engine, fd, Address(PeerAddress()), 40001), 0);
    ASSERT_TRUE(WaitUntil([&] { return Got.size() >= 2; }));
    EXPECT_EQ(Got[0], (Notice{fd, E::FD_CONNECT, 0}));
    EXPECT_EQ(Got[1], (Notice{fd, E::FD_WRITE, 0}));
    const int server = accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    ASSERT_EQ(write(server, "hi", 2), 2);
    ASSERT_TRUE(WaitUntil([&] { return Got.size() == 3; }));
    EXPECT_EQ(Got[2], (Notice{fd, E::FD_READ, 0}));
    close(server);
    close(listener);
    Access::Close(*Engine, fd);
}

TEST_F(ConnectNotices, ConnectionThatNeverAnswersTimesOut)
{
    Access::SetConnectTimeout(*Engine, 100);
    const int fd = NewTcp();
    // Nobody has this address: the attempt hangs on the neighbour lookup.
    EXPECT_EQ(Access::Connect(*Engine, fd, Address(QStringLiteral("198.18.0.200")), 40002), 0);
    ASSERT_TRUE(WaitUntil([&] { return !Got.empty(); }, 2000));
    EXPECT_EQ(Got, (std::vector<Notice>{{fd, E::FD_CONNECT, E::WSAETIMEDOUT}}));
    Access::Close(*Engine, fd);
}

} // namespace
