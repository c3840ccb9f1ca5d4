#include "ForgedDatagram.h"

#include <QFile>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

namespace {

bool ParseAddress(const QString& dotted, in_addr& address)
{
    return inet_pton(AF_INET, dotted.toLatin1().constData(), &address) == 1;
}

quint16 Checksum(const QByteArray& bytes)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        sum += (static_cast<quint8>(bytes[i]) << 8) | static_cast<quint8>(bytes[i + 1]);
    if (bytes.size() % 2)
        sum += static_cast<quint8>(bytes.back()) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    const quint16 folded = static_cast<quint16>(~sum & 0xFFFF);
    // A computed zero is sent as all ones: zero means "no checksum".
    return folded == 0 ? 0xFFFF : folded;
}

// The UDP header and payload, with the checksum over the IPv4 pseudo-header.
QByteArray UdpPart(in_addr source, int iSourcePort, in_addr target, int iTargetPort,
                   const QByteArray& payload)
{
    udphdr header{};
    header.uh_sport = htons(static_cast<quint16>(iSourcePort));
    header.uh_dport = htons(static_cast<quint16>(iTargetPort));
    header.uh_ulen = htons(static_cast<quint16>(sizeof header + payload.size()));
    QByteArray udp(reinterpret_cast<const char*>(&header), sizeof header);
    udp += payload;

    QByteArray pseudo;
    pseudo.append(reinterpret_cast<const char*>(&source.s_addr), 4);
    pseudo.append(reinterpret_cast<const char*>(&target.s_addr), 4);
    pseudo.append('\0');
    pseudo.append(static_cast<char>(IPPROTO_UDP));
    const quint16 length = htons(static_cast<quint16>(udp.size()));
    pseudo.append(reinterpret_cast<const char*>(&length), 2);
    const quint16 sum = htons(Checksum(pseudo + udp));
    std::memcpy(udp.data() + offsetof(udphdr, uh_sum), &sum, sizeof sum);
    return udp;
}

} // namespace

ForgedDatagram::ForgedDatagram(TestLan& lan, int iHost)
{
    if (!lan.IsReady()) {
        FError = QStringLiteral("no test LAN: %1").arg(lan.Error());
        return;
    }
    FSocket = lan.In(iHost, [] { return socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW); });
    if (FSocket < 0) {
        FError = QStringLiteral("cannot make a raw socket: %1").arg(strerror(errno));
        return;
    }
    int on = 1;
    if (setsockopt(FSocket, IPPROTO_IP, IP_HDRINCL, &on, sizeof on) != 0 ||
        setsockopt(FSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        FError = QStringLiteral("cannot set up the raw socket: %1").arg(strerror(errno));
        close(FSocket);
        FSocket = -1;
    }
}

ForgedDatagram::~ForgedDatagram()
{
    if (FSocket >= 0)
        close(FSocket);
}

bool ForgedDatagram::Send(const QString& sSource, int iSourcePort, const QString& sTarget, int iTargetPort,
                          const QByteArray& payload)
{
    in_addr source{};
    in_addr target{};
    if (FSocket < 0 || !ParseAddress(sSource, source) || !ParseAddress(sTarget, target)) {
        FError = QStringLiteral("no socket, or an address that is not dotted IPv4");
        return false;
    }
    iphdr ip{};
    ip.version = 4;
    ip.ihl = sizeof ip / 4;
    ip.ttl = 64;
    ip.protocol = IPPROTO_UDP;
    ip.saddr = source.s_addr;
    ip.daddr = target.s_addr;
    const QByteArray udp = UdpPart(source, iSourcePort, target, iTargetPort, payload);
    ip.tot_len = htons(static_cast<quint16>(sizeof ip + udp.size()));
    // The kernel fills in the identification and the header checksum.
    QByteArray packet(reinterpret_cast<const char*>(&ip), sizeof ip);
    packet += udp;

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = target;
    const ssize_t sent = sendto(FSocket, packet.constData(), static_cast<size_t>(packet.size()), 0,
                                reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (sent != packet.size()) {
        FError = QStringLiteral("sendto failed: %1").arg(strerror(errno));
        return false;
    }
    return true;
}

bool AcceptOwnSources(TestLan& lan, int iHost, QString* pError)
{
    if (!lan.IsReady()) {
        if (pError)
            *pError = QStringLiteral("no test LAN: %1").arg(lan.Error());
        return false;
    }
    // /proc/sys/net shows the namespace of the thread that opens it.
    return lan.In(iHost, [&] {
        for (const char* path :
             {"/proc/sys/net/ipv4/conf/all/accept_local", "/proc/sys/net/ipv4/conf/eth0/accept_local"}) {
            QFile file(QString::fromLatin1(path));
            if (!file.open(QIODevice::WriteOnly) || file.write("1\n") != 2) {
                if (pError)
                    *pError = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
                return false;
            }
        }
        return true;
    });
}

} // namespace TestSupport
