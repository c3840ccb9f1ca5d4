#pragma once

// What the engine's tests on the test LAN share: pumping the event loop the
// engine lives on, a scripted peer on a raw UDP socket, and the wire format
// as a peer writes and reads it. Waiting and the LAN suite come from tests/support.
#include "AnsiCodePage.h"
#include "SystemClock.h"
#include "WaitUntil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace EngineTest {

constexpr quint16 kPort = 51000;

using TestSupport::PumpFor;
using TestSupport::WaitUntil;

inline quint32 Address(const QString& dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted.toLatin1().constData(), &a);
    return ntohl(a.s_addr);
}

struct Datagram {
    QByteArray Data;
    QString From;
};

// A UDP socket that plays a peer. Made inside a host of the LAN; it stays there.
class RawPeer {
public:
    RawPeer() = default;
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    ~RawPeer() { Close(); }

    bool Open(quint16 port = kPort, const QString& bindAddress = QString())
    {
        FFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        int on = 1;
        setsockopt(FFd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        setsockopt(FFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        // Room for a burst of a few hundred datagrams.
        int room = 4 << 20;
        setsockopt(FFd, SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = bindAddress.isEmpty() ? htonl(INADDR_ANY) : htonl(Address(bindAddress));
        return bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    void Close()
    {
        if (FFd >= 0)
            close(FFd);
        FFd = -1;
    }
    int Fd() const { return FFd; }

    bool SendTo(const QByteArray& data, const QString& address, quint16 port = kPort) const
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(Address(address));
        return sendto(FFd, data.constData(), static_cast<size_t>(data.size()), 0,
                      reinterpret_cast<sockaddr*>(&a), sizeof a) == data.size();
    }
    bool SendAll(const std::vector<QByteArray>& datagrams, const QString& address) const
    {
        for (const QByteArray& d : datagrams) {
            if (!SendTo(d, address))
                return false;
        }
        return true;
    }

    // The next datagram within the time, running the event loop meanwhile.
    std::optional<Datagram> Receive(int timeoutMs = 2000)
    {
        std::optional<Datagram> got;
        WaitUntil(
            [&] {
                pollfd p{FFd, POLLIN, 0};
                if (poll(&p, 1, 0) != 1)
                    return false;
                char buffer[70000];
                sockaddr_in from{};
                socklen_t length = sizeof from;
                const ssize_t n =
                    recvfrom(FFd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
                if (n < 0)
                    return false;
                char text[INET_ADDRSTRLEN] = {};
                inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
                got = Datagram{QByteArray(buffer, n), QString::fromLatin1(text)};
                return true;
            },
            timeoutMs);
        return got;
    }

    // Every datagram that arrives within the time.
    std::vector<Datagram> ReceiveAll(int quietMs = 300)
    {
        std::vector<Datagram> all;
        while (auto d = Receive(quietMs))
            all.push_back(*d);
        return all;
    }

private:
    int FFd = -1;
};

// A peer's framing of a body (packet id and record text): the datagrams to send.
inline std::vector<QByteArray> Frame(const QString& body, bool scrambled = false, int offset = 0x40)
{
    const QByteArray bytes = AnsiCodePage::Encode(body);
    QByteArray s = QByteArray::number(bytes.size()).rightJustified(5, ' ') + bytes;
    s.replace("\r\n", "\\|");
    if (scrambled) {
        QByteArray hex = QByteArray::number(offset, 16).toUpper().rightJustified(2, '0');
        for (char c : s)
            hex += QByteArray::number((static_cast<unsigned char>(c) + offset) & 0xFF, 16)
                       .toUpper()
                       .rightJustified(2, '0');
        s = "1" + hex;
    } else {
        s = "0" + s;
    }
    std::vector<QByteArray> out;
    int number = 1;
    for (qsizetype at = 0; at < s.size(); at += 254, ++number) {
        QByteArray d;
        d.append(static_cast<char>(number));
        d.append(s.mid(at, 254));
        d.append('\0');
        out.push_back(d);
    }
    return out;
}

// A packet id of a peer: 22 characters, unique by the number given.
inline QString PeerPacketId(int n)
{
    return QStringLiteral("2020 1 1 0 0 0  0") + QString::number(n).rightJustified(5, ' ');
}

// The record text (after the packet id) of one unscrambled, single-datagram record.
inline QString Unframe(const QByteArray& datagram)
{
    if (datagram.size() < 30 || datagram[0] != 1 || datagram[1] != '0' || !datagram.endsWith('\0'))
        return QString();
    QByteArray s = datagram.mid(2, datagram.size() - 3);
    s.replace("\\|", "\r\n");
    return AnsiCodePage::Decode(s.mid(5 + 22));
}

// Fixes the clock and makes random numbers count up from iFirst, so packet ids are known.
class FixedStamps {
public:
    explicit FixedStamps(int iFirst = 42)
    {
        Next = iFirst;
        SystemClock::SetNowSource([] { return QDateTime(QDate(2011, 8, 29), QTime(0, 5, 9, 7)); });
        SystemClock::SetRandomSource([](int below) { return Next++ % below; });
    }
    ~FixedStamps()
    {
        SystemClock::SetNowSource({});
        SystemClock::SetRandomSource({});
    }
    static void Restart(int iFirst) { Next = iFirst; }

private:
    static inline int Next = 0;
};

} // namespace EngineTest

#include "LanSuite.h"
#include "ParvaneNetwork.h"

#include <gtest/gtest.h>
#include <memory>

namespace EngineTest {

// One engine in host 0 of a two-host LAN and a scripted peer in host 1. The
// LAN lives for the whole suite; the engine and the peer for one test.
class EngineOnLan : public TestSupport::LanSuite<2> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LanReady());
        ASSERT_TRUE(FLan->In(1, [this] { return Peer.Open(); }));
        ASSERT_TRUE(EnterHost(0));
        Engine = std::make_unique<TParvaneNetwork>();
        Engine->SetDiscrimination(QStringLiteral("Parvane2"));
        Engine->SetVersion(2200);
    }
    void TearDown() override
    {
        Engine.reset();
        LeaveHost();
        Peer.Close();
    }

    // Starts the service and sets the handle name, as the application does.
    void Start(const QString& handle = QStringLiteral("太郎"))
    {
        ASSERT_TRUE(Engine->ServiceStart());
        Engine->SetHandleName(handle);
    }
    // The next datagram at the peer whose record text starts with the keyword.
    std::optional<Datagram> NextRecord(const QString& keyword, int timeoutMs = 2000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            auto d = Peer.Receive(timeoutMs - static_cast<int>(t.elapsed()));
            if (!d)
                return std::nullopt;
            if (Unframe(d->Data).startsWith(keyword + TParvaneNetwork::FieldSeparator))
                return d;
        }
        return std::nullopt;
    }
    QString PeerAddress() const { return FLan->Address(1); }
    QString EngineAddress() const { return FLan->Address(0); }

    RawPeer Peer;
    std::unique_ptr<TParvaneNetwork> Engine;
};

// The LOGIN of the peer in host 1 ("PVHOST2"), ready to frame.
inline QString PeerLogin(const QString& version = QStringLiteral("2200"),
                         const QString& absence = QStringLiteral("0"),
                         const QString& menu = QStringLiteral("0"),
                         const QString& ipList = QStringLiteral("198.18.0.2\r\n"),
                         const QString& title = QString(), const QString& port = QStringLiteral("52000"))
{
    return QStringLiteral("PVMESSAGE:LOGIN&|PVHOST2&|198.18.0.2&|Parvane2&|花子&|") + version + "&|" +
           absence + "&|" + menu + "&|0&|" + port + "&|" + ipList + "&|" + title;
}

} // namespace EngineTest
