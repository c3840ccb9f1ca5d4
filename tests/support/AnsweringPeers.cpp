#include "AnsweringPeers.h"

#include "AnsiCodePage.h"
#include "DatagramFraming.h"
#include "Stamps.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

namespace {

constexpr quint16 kPort = 51000;
const QString kId = QStringLiteral("Parvane2");
// A probe's answer later than this counts as none.
constexpr int kProbeWaitMs = 10000;
// The largest datagram a copy of the program sends, and so the largest it reads.
constexpr int kDatagramSize = 512;
// The peers' addresses fill 198.18.4.1 to .250, then 198.18.5.1 on.
constexpr int kPerSubnet = 250;
// A body opens with the packet id.
constexpr int kPacketIdSize = 22;

int UdpSocket(const QString& sAddress, quint16 iPort, bool bBroadcast)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bBroadcast)
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(iPort);
    if (!sAddress.isEmpty())
        inet_pton(AF_INET, sAddress.toLatin1().constData(), &a.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The one datagram of a short record, framed as a peer frames it. Its packet id
// takes a serial number where a peer draws a random one: 255 ids drawn in one
// second would meet now and then, and the copy would take two answers for one.
QByteArray Datagram(const QString& sRecord)
{
    static std::atomic<int> serial{0};
    const QString sId = Stamps::PacketId(QDateTime::currentDateTime(), serial++ % Stamps::kStampRandomRange);
    const QByteArray framed = DatagramFraming::FrameRecord(AnsiCodePage::Encode(sId + sRecord), false);
    const std::vector<QByteArray> datagrams = DatagramFraming::CutIntoDatagrams(framed, kDatagramSize);
    return datagrams.size() == 1 ? datagrams.front() : QByteArray();
}

// The body (packet id and record) of a datagram that carries one whole; empty for anything else.
QString BodyOf(const char* pData, ssize_t iLength)
{
    if (iLength <= 0)
        return QString();
    const std::optional<DatagramFraming::Fragment> fragment =
        DatagramFraming::ReadDatagram(QByteArray(pData, int(iLength)));
    QByteArray body;
    if (!fragment || fragment->Index != 0 ||
        DatagramFraming::UnframeRecord(fragment->Piece, body) != DatagramFraming::RecordState::Complete)
        return QString();
    return AnsiCodePage::Decode(body);
}

// The record of a body, after its packet id.
QString RecordOf(const QString& sBody)
{
    return sBody.mid(kPacketIdSize);
}

double NowMs()
{
    static QElapsedTimer clock;
    static std::once_flag started;
    std::call_once(started, [] { clock.start(); });
    return clock.nsecsElapsed() / 1e6;
}

// A record of a peer with the fields of a LOGIN, after the keyword and what precedes them.
QString PresenceFields(int i)
{
    const QString ip = AnsweringPeers::PeerAddress(i);
    return QStringLiteral("%1&|%2&|%3&|%4&|2200&|0&|0&|0&|52000&|%2\r\n&|")
        .arg(AnsweringPeers::PeerMachine(i), ip, kId, AnsweringPeers::PeerHandle(i));
}

} // namespace

AnsweringPeers::AnsweringPeers(TestLan& lan, int iHost, int iCount, const QString& sAnswered, bool bProbe)
    : FLan(lan), FHost(iHost), FCount(iCount), FAnswered(sAnswered), FProbe(bProbe)
{
}

AnsweringPeers::~AnsweringPeers()
{
    Stop();
}

QString AnsweringPeers::PeerAddress(int i)
{
    return QStringLiteral("198.18.%1.%2").arg(4 + i / kPerSubnet).arg(1 + i % kPerSubnet);
}

QString AnsweringPeers::PeerMachine(int i)
{
    return QStringLiteral("SIM%1").arg(i + 1, 3, 10, QLatin1Char('0'));
}

QString AnsweringPeers::PeerHandle(int i)
{
    return QStringLiteral("利用者%1").arg(i + 1, 3, 10, QLatin1Char('0'));
}

bool AnsweringPeers::Start()
{
    for (int i = 0; i < FCount + (FProbe ? 1 : 0); ++i)
        if (!RunIp(
                {"-n", FLan.NamespaceName(FHost), "addr", "replace", PeerAddress(i) + "/15", "dev", "eth0"}))
            return false;
    std::atomic<int> ready{0};
    FThread = std::thread([this, &ready] {
        FLan.Enter(FHost);
        FListen = UdpSocket(QString(), kPort, true);
        for (int i = 0; i < FCount; ++i)
            FSenders.push_back(UdpSocket(PeerAddress(i), 0, false));
        if (FProbe)
            FProbeSocket = UdpSocket(PeerAddress(FCount), kPort, false);
        const bool ok = FListen >= 0 && (!FProbe || FProbeSocket >= 0) &&
                        std::none_of(FSenders.begin(), FSenders.end(), [](int s) { return s < 0; });
        FLan.Leave();
        ready = ok ? 1 : -1;
        if (ok)
            Serve();
    });
    while (ready == 0)
        usleep(1000);
    return ready == 1;
}

void AnsweringPeers::Stop()
{
    FStop = true;
    if (FThread.joinable())
        FThread.join();
    for (int s : FSenders)
        close(s);
    FSenders.clear();
    for (int* fd : {&FListen, &FProbeSocket}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

std::vector<double> AnsweringPeers::ProbeMs() const
{
    const std::lock_guard<std::mutex> hold(FLock);
    return FProbeMs;
}

void AnsweringPeers::Serve()
{
    QString sLastId;
    while (!FStop) {
        pollfd p{FListen, POLLIN, 0};
        if (poll(&p, 1, 50) != 1)
            continue;
        char buffer[kDatagramSize + 1];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n =
            recvfrom(FListen, buffer, kDatagramSize, 0, reinterpret_cast<sockaddr*>(&from), &length);
        const double heard = NowMs();
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        const QString sBody = BodyOf(buffer, n);
        if (QString::fromLatin1(text) != FAnswered ||
            !RecordOf(sBody).startsWith(QStringLiteral("PVMESSAGE:LOGIN&|")))
            continue;
        // A record sent to the broadcast and to the LAN's broadcast address comes twice;
        // a peer answers it once.
        if (sBody.left(kPacketIdSize) == sLastId)
            continue;
        sLastId = sBody.left(kPacketIdSize);
        const QString sTo =
            QStringLiteral("PVMESSAGE:LOGIN_OK&|%1&|%2&|").arg(QString::fromLatin1(text), kId);
        for (int i = 0; i < FCount; ++i) {
            const QByteArray d = Datagram(sTo + PresenceFields(i));
            sendto(FSenders[size_t(i)], d.constData(), size_t(d.size()), 0,
                   reinterpret_cast<sockaddr*>(&from), length);
        }
        ++FAnswers;
        if (FProbe && Probe(heard, from)) {
            const std::lock_guard<std::mutex> hold(FLock);
            FProbeMs.push_back(NowMs() - heard);
        }
    }
}

bool AnsweringPeers::Probe(double iHeardMs, const sockaddr_in& to)
{
    // The copy reads its datagrams in the order they came, so its answer to this LOGIN
    // follows its handling of every answer sent before it. The answer is broadcast,
    // with the address it is for as its first field.
    const QByteArray d = Datagram(QStringLiteral("PVMESSAGE:LOGIN&|") + PresenceFields(FCount));
    sendto(FProbeSocket, d.constData(), size_t(d.size()), 0, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
    const QString sAnswer =
        QStringLiteral("PVMESSAGE:LOGIN_OK&|") + PeerAddress(FCount) + QStringLiteral("&|");
    while (!FStop && NowMs() - iHeardMs < kProbeWaitMs) {
        pollfd p{FListen, POLLIN, 0};
        if (poll(&p, 1, 20) != 1)
            continue;
        char buffer[kDatagramSize + 1];
        const ssize_t n = recv(FListen, buffer, kDatagramSize, 0);
        if (RecordOf(BodyOf(buffer, n)).startsWith(sAnswer))
            return true;
    }
    return false;
}

} // namespace TestSupport
