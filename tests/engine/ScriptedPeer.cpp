#include "ScriptedPeer.h"

#include "AnsiCodePage.h"
#include "TestLan.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// What the wire allows per datagram: the fragment number, 254 data bytes, the zero byte.
constexpr int kPieceBytes = 254;

QByteArray Hex2(int v)
{
    return QByteArray::number(v & 0xFF, 16).toUpper().rightJustified(2, '0');
}

} // namespace

ScriptedPeer::ScriptedPeer(TestLan& lan, int iHost, quint16 iPort)
    : FPort(iPort), FAddress(lan.Address(iHost))
{
    FSocket = lan.In(iHost, [iPort] {
        int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return -1;
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(iPort);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    });
}

ScriptedPeer::~ScriptedPeer()
{
    if (FSocket >= 0)
        close(FSocket);
}

QList<QByteArray> ScriptedPeer::Frame(const QString& sPacketId, const QString& sText, bool bScrambled,
                                      int iScrambleOffset)
{
    const QByteArray body = AnsiCodePage::Encode(QString(sPacketId + sText));
    QByteArray record = QByteArray::number(body.size()).rightJustified(5, ' ') + body;
    record.replace("\r\n", "\\|");
    QByteArray framed;
    if (bScrambled) {
        framed = "1" + Hex2(iScrambleOffset);
        for (char b : record)
            framed += Hex2(static_cast<unsigned char>(b) + iScrambleOffset);
    } else {
        framed = "0" + record;
    }
    QList<QByteArray> datagrams;
    int number = 1;
    for (qsizetype at = 0; at < framed.size(); at += kPieceBytes, ++number) {
        QByteArray datagram;
        datagram.append(static_cast<char>(number & 0xFF));
        datagram.append(framed.mid(at, kPieceBytes));
        datagram.append('\0');
        datagrams.append(datagram);
    }
    return datagrams;
}

QString ScriptedPeer::UniquePacketId()
{
    static int counter = 0;
    ++counter;
    // Same shape as the engine's ids, far from any real clock so they never collide.
    return QStringLiteral("1999 1 1 0 0 0  0") + QString::number(counter).rightJustified(5, QLatin1Char(' '));
}

bool ScriptedPeer::Send(const QString& sText, const QString& sTarget, bool bScrambled)
{
    return SendDatagrams(Frame(UniquePacketId(), sText, bScrambled), sTarget);
}

bool ScriptedPeer::SendDatagrams(const QList<QByteArray>& datagrams, const QString& sTarget)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(FPort);
    if (inet_pton(AF_INET, sTarget.toLatin1().constData(), &to.sin_addr) != 1)
        return false;
    for (const QByteArray& d : datagrams) {
        if (sendto(FSocket, d.constData(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) !=
            d.size())
            return false;
    }
    return true;
}

void ScriptedPeer::Poll()
{
    for (;;) {
        char buffer[600];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t n = recvfrom(FSocket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n <= 0)
            return;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        const QString sender = QString::fromLatin1(text);
        if (sender == FAddress)
            continue;
        const QByteArray datagram(buffer, n);
        const int index = static_cast<unsigned char>(datagram[0]);
        QByteArray piece = datagram.mid(1);
        const qsizetype zero = piece.indexOf('\0');
        if (zero >= 0)
            piece.truncate(zero);
        Partial& partial = FPartial[sender];
        partial.Pieces[index] = piece;
        partial.Datagrams.append(datagram);
        TryComplete(sender);
    }
}

void ScriptedPeer::TryComplete(const QString& sender)
{
    Partial& partial = FPartial[sender];
    QByteArray framed;
    for (int i = 1; partial.Pieces.contains(i); ++i)
        framed += partial.Pieces[i];
    if (framed.isEmpty())
        return;
    const bool scrambled = framed[0] == '1';
    QByteArray record = framed.mid(1);
    if (scrambled) {
        if (record.size() < 2 || record.size() % 2 != 0)
            return;
        const int k = record.left(2).toInt(nullptr, 16);
        QByteArray plain;
        for (qsizetype i = 2; i + 1 < record.size(); i += 2)
            plain.append(static_cast<char>(record.mid(i, 2).toInt(nullptr, 16) - k));
        record = plain;
    }
    record.replace("\\|", "\r\n");
    if (record.size() < 5)
        return;
    bool ok = false;
    const int length = record.left(5).trimmed().toInt(&ok);
    if (!ok || record.size() < length + 5)
        return;
    Record r;
    r.Sender = sender;
    const QString body = AnsiCodePage::Decode(record.mid(5));
    r.PacketId = body.left(22);
    r.Text = body.mid(22);
    r.Scrambled = scrambled;
    r.Datagrams = partial.Datagrams;
    FReceived.append(r);
    FPartial.remove(sender);
}

QList<ScriptedPeer::Record> ScriptedPeer::WithKeyword(const QString& sKeyword) const
{
    QList<Record> out;
    for (const Record& r : FReceived) {
        if (r.Text.section(QStringLiteral("&|"), 0, 0) == sKeyword)
            out.append(r);
    }
    return out;
}
