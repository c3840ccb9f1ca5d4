#include "TestLan.h"

#include "ForgedDatagram.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint16 kPort = 51000;

int BoundUdpSocket()
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The datagram that arrives within two seconds, and the address (and port) it came from.
std::pair<QByteArray, QString> Receive(int fd, int* pPort = nullptr)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1)
        return {};
    char buffer[512];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    if (pPort)
        *pPort = ntohs(from.sin_port);
    return {QByteArray(buffer, n), QString::fromLatin1(text)};
}

TEST(TestLan, BroadcastReachesTheOtherHostAndComesBack)
{
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());

    int second = lan.In(1, [] { return BoundUdpSocket(); });
    int first = lan.In(0, [] { return BoundUdpSocket(); });
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);

    sockaddr_in broadcast{};
    broadcast.sin_family = AF_INET;
    broadcast.sin_port = htons(kPort);
    broadcast.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    const QByteArray payload("hello LAN");
    ASSERT_EQ(sendto(first, payload.constData(), payload.size(), 0, reinterpret_cast<sockaddr*>(&broadcast),
                     sizeof broadcast),
              payload.size());

    auto [atSecond, fromSecond] = Receive(second);
    EXPECT_EQ(atSecond, payload);
    EXPECT_EQ(fromSecond, lan.Address(0));
    auto [atFirst, fromFirst] = Receive(first);
    EXPECT_EQ(atFirst, payload);
    EXPECT_EQ(fromFirst, lan.Address(0));
    close(first);
    close(second);
}

TEST(TestLan, HostsHaveTheirOwnNameAndAddressOnly)
{
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    char original[64] = {};
    gethostname(original, sizeof original);

    QString inside = lan.In(1, [] {
        char name[64] = {};
        gethostname(name, sizeof name);
        return QString::fromLatin1(name);
    });
    EXPECT_EQ(inside, lan.MachineName(1));

    char after[64] = {};
    gethostname(after, sizeof after);
    EXPECT_STREQ(after, original);

    QProcess child;
    lan.PlaceProcess(child, 0);
    child.start(QStringLiteral("sh"), {"-c", "hostname; ip -4 -o addr show dev eth0"});
    ASSERT_TRUE(child.waitForFinished(10000));
    const QString output = QString::fromLatin1(child.readAllStandardOutput());
    EXPECT_TRUE(output.startsWith(lan.MachineName(0) + "\n")) << qPrintable(output);
    EXPECT_TRUE(output.contains(lan.Address(0) + "/15")) << qPrintable(output);
}

// A step into another host from inside a host comes back to the host it left,
// never to the machine's own network, where a socket would reach the real LAN.
TEST(TestLan, AStepIntoAnotherHostReturnsToTheHostItLeft)
{
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    const auto netOf = [](const char* path) {
        struct stat st {};
        return stat(path, &st) == 0 ? st.st_ino : ino_t(0);
    };
    const ino_t own = netOf("/proc/thread-self/ns/net");

    lan.Enter(0);
    const ino_t host0 = netOf("/proc/thread-self/ns/net");
    const ino_t host1 = lan.In(1, [&] { return netOf("/proc/thread-self/ns/net"); });
    const ino_t after = netOf("/proc/thread-self/ns/net");
    char name[64] = {};
    gethostname(name, sizeof name);
    lan.Leave();

    EXPECT_NE(host0, own);
    EXPECT_NE(host1, host0);
    EXPECT_EQ(after, host0);
    EXPECT_EQ(QString::fromLatin1(name), lan.MachineName(0));
    EXPECT_EQ(netOf("/proc/thread-self/ns/net"), own);
}

TEST(TestLan, EverythingIsRemovedAfterwards)
{
    QStringList made;
    {
        TestLan lan(3);
        ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
        made = TestLan::NamespacesOf(getpid());
        EXPECT_EQ(made.size(), 4);
    }
    EXPECT_TRUE(TestLan::NamespacesOf(getpid()).isEmpty());
}

TEST(TestLan, WhatAKilledTestLeftIsSwept)
{
    QProcess holder;
    holder.start(QCoreApplication::applicationDirPath() + "/lan_killed_holder", QStringList());
    ASSERT_TRUE(holder.waitForFinished(20000));
    const QByteArray output = holder.readAllStandardOutput().trimmed();
    ASSERT_FALSE(output.isEmpty()) << holder.readAllStandardError().constData();
    EXPECT_EQ(holder.exitStatus(), QProcess::CrashExit);
    const long pid = output.toLong();

    EXPECT_EQ(TestLan::NamespacesOf(pid).size(), 2);
    TestLan::RemoveStale();
    EXPECT_TRUE(TestLan::NamespacesOf(pid).isEmpty());
}

TEST(ForgedDatagram, ArrivesWithTheSourceAddressAndPortItClaims)
{
    TestLan lan(3);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    const int receiver = lan.In(0, [] { return BoundUdpSocket(); });
    ASSERT_GE(receiver, 0);
    TestSupport::ForgedDatagram forger(lan, 2);
    ASSERT_TRUE(forger.IsOpen()) << qPrintable(forger.Error());

    // Host 2 speaks as host 1, from a port host 1 never used.
    const QByteArray payload("\x01"
                             "0   10abcdefghij",
                             17);
    ASSERT_TRUE(forger.Send(lan.Address(1), 40001, lan.Address(0), kPort, payload))
        << qPrintable(forger.Error());
    int port = 0;
    auto [data, from] = Receive(receiver, &port);
    EXPECT_EQ(data, payload);
    EXPECT_EQ(from, lan.Address(1));
    EXPECT_EQ(port, 40001);

    // An address that no host of the LAN holds, to the broadcast address.
    ASSERT_TRUE(forger.Send(QStringLiteral("198.18.0.77"), QStringLiteral("255.255.255.255"), kPort, "odd"))
        << qPrintable(forger.Error());
    auto [odd, oddFrom] = Receive(receiver, &port);
    EXPECT_EQ(odd, QByteArray("odd"));
    EXPECT_EQ(oddFrom, QStringLiteral("198.18.0.77"));
    EXPECT_EQ(port, kPort);
    close(receiver);
}

TEST(ForgedDatagram, AHostThatAcceptsOwnSourcesReceivesItsOwnAddress)
{
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    const int receiver = lan.In(0, [] { return BoundUdpSocket(); });
    ASSERT_GE(receiver, 0);
    TestSupport::ForgedDatagram forger(lan, 1);
    ASSERT_TRUE(forger.IsOpen()) << qPrintable(forger.Error());

    QString error;
    ASSERT_TRUE(TestSupport::AcceptOwnSources(lan, 0, &error)) << qPrintable(error);
    ASSERT_TRUE(forger.Send(lan.Address(0), lan.Address(0), kPort, "mine"));
    auto [data, from] = Receive(receiver);
    EXPECT_EQ(data, QByteArray("mine"));
    EXPECT_EQ(from, lan.Address(0));
    close(receiver);
}

} // namespace
