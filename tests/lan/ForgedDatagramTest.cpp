#include "ForgedDatagram.h"

#include "TestLan.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using TestSupport::ForgedDatagram;

namespace {

constexpr int kPort = 51000;

struct Arrived {
    QByteArray Data;
    QString From;
    int FromPort = 0;
};

class UdpSocket {
public:
    UdpSocket()
    {
        FFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        int on = 1;
        setsockopt(FFd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(kPort);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(FFd);
            FFd = -1;
        }
    }
    ~UdpSocket()
    {
        if (FFd >= 0)
            close(FFd);
    }
    bool IsOpen() const { return FFd >= 0; }

    // The datagram that arrives within the time, if one does.
    std::optional<Arrived> Receive(int iTimeoutMs = 10000)
    {
        pollfd p{FFd, POLLIN, 0};
        if (poll(&p, 1, iTimeoutMs) != 1)
            return std::nullopt;
        char buffer[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n =
            recvfrom(FFd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0)
            return std::nullopt;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        return Arrived{QByteArray(buffer, n), QString::fromLatin1(text), ntohs(from.sin_port)};
    }

private:
    int FFd = -1;
};

TEST(ForgedDatagram, ArrivesWithTheSourceAddressAndPortItClaims)
{
    TestLan lan(3);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    UdpSocket* receiver = lan.In(0, [] { return new UdpSocket; });
    std::unique_ptr<UdpSocket> owner(receiver);
    ASSERT_TRUE(receiver->IsOpen());
    ForgedDatagram forger(lan, 2);
    ASSERT_TRUE(forger.IsOpen()) << qPrintable(forger.Error());

    // Host 2 speaks as host 1, from a port host 1 never used.
    const QByteArray payload("\x01"
                             "0   10abcdefghij",
                             17);
    ASSERT_TRUE(forger.Send(lan.Address(1), 40001, lan.Address(0), kPort, payload))
        << qPrintable(forger.Error());
    auto got = receiver->Receive();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Data, payload);
    EXPECT_EQ(got->From, lan.Address(1));
    EXPECT_EQ(got->FromPort, 40001);

    // An address that no host of the LAN holds, to the broadcast address.
    ASSERT_TRUE(forger.Send(QStringLiteral("198.18.0.77"), QStringLiteral("255.255.255.255"), kPort, "odd"))
        << qPrintable(forger.Error());
    got = receiver->Receive();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Data, QByteArray("odd"));
    EXPECT_EQ(got->From, QStringLiteral("198.18.0.77"));
    EXPECT_EQ(got->FromPort, kPort);
}

TEST(ForgedDatagram, AHostThatAcceptsOwnSourcesReceivesItsOwnAddress)
{
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    std::unique_ptr<UdpSocket> receiver(lan.In(0, [] { return new UdpSocket; }));
    ASSERT_TRUE(receiver->IsOpen());
    ForgedDatagram forger(lan, 1);
    ASSERT_TRUE(forger.IsOpen()) << qPrintable(forger.Error());

    QString error;
    ASSERT_TRUE(TestSupport::AcceptOwnSources(lan, 0, &error)) << qPrintable(error);
    ASSERT_TRUE(forger.Send(lan.Address(0), lan.Address(0), kPort, "mine"));
    auto got = receiver->Receive();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Data, QByteArray("mine"));
    EXPECT_EQ(got->From, lan.Address(0));
}

} // namespace
