// The datagram layer under every record: the framing is told in DatagramFraming.h.
// A receiver reassembles per sender in 20 slots, drops a packet id it saw among
// the last 11 and dispatches the rest.
#include "AnsiCodePage.h"
#include "DatagramFraming.h"
#include "ParvaneNetwork.h"
#include "Stamps.h"
#include "SystemClock.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace {

using namespace DatagramFraming;

// A slot that has waited this long for its missing fragments is given up.
constexpr qint64 kRecvSlotLifetimeMs = 60 * 1000;

bool TargetAddress(const QString& target, quint32& address)
{
    if (target.isEmpty()) {
        address = INADDR_BROADCAST;
        return true;
    }
    QString text = target;
    if (!TParvaneNetwork::IPAddressCheck(text)) {
        text = TParvaneNetwork::DomainToIPAddress(target);
        // A name that resolves to the broadcast address fails like one that does not resolve.
        if (text.isEmpty() || !TParvaneNetwork::IPAddressCheck(text))
            return false;
    }
    in_addr parsed{};
    if (inet_pton(AF_INET, text.toLatin1().constData(), &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

} // namespace

bool TParvaneNetwork::SendPacket(const QString& Text, const QString& Target)
{
    const QString body = Stamps::NewPacketId() + Text;
    if (!Target.isEmpty())
        return SendDatagram(body, Target);
    if (!SendDatagram(body, QString()))
        return false;
    // Every extra address up to the first empty field; an ordinary index, so a long list ends.
    const QStringList extra = FBroadcastIP.split(FieldSeparator);
    for (const QString& address : extra) {
        if (address.isEmpty())
            break;
        SendDatagram(body, address);
    }
    return true;
}

bool TParvaneNetwork::SendDatagram(const QString& Body, const QString& Target)
{
    if (FSocketNo == -1)
        return false;
    quint32 address = 0;
    if (!TargetAddress(Target, address))
        return false;

    const std::vector<QByteArray> datagrams =
        CutIntoDatagrams(FrameRecord(AnsiCodePage::Encode(Body), FSecurity), PrMaxSendByte);
    if (datagrams.empty())
        return false;

    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(static_cast<quint16>(FPortNo));
    destination.sin_addr.s_addr = htonl(address);

    for (const QByteArray& datagram : datagrams) {
        if (PrDatagramSendHook) {
            if (!PrDatagramSendHook(datagram, address))
                return false;
            continue;
        }
        // A full send buffer is waited out briefly; a send that stays blocked fails like any error.
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const ssize_t sent =
                sendto(FSocketNo, datagram.constData(), static_cast<size_t>(datagram.size()), MSG_NOSIGNAL,
                       reinterpret_cast<sockaddr*>(&destination), sizeof destination);
            if (sent >= 0)
                break;
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return false;
            const qint64 left = PrSendWaitMs - waited.elapsed();
            if (left <= 0)
                return false;
            pollfd p{FSocketNo, POLLOUT, 0};
            poll(&p, 1, static_cast<int>(left));
        }
    }
    return true;
}

void TParvaneNetwork::ReceiveDatagram()
{
    if (FSocketNo == -1)
        return;
    char buffer[kRecvBufferSize + 1] = {};
    sockaddr_in from{};
    socklen_t length = sizeof from;
    // MSG_TRUNC reports the whole length, so an over-long datagram is seen and dropped, not cut.
    const ssize_t n =
        recvfrom(FSocketNo, buffer, kRecvBufferSize, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &length);
    SocketReadAgain(FSocketNo);
    if (n < 0 || n > kRecvBufferSize)
        return;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    ReceiveFragment(QString::fromLatin1(text), QByteArray(buffer, n));
}

void TParvaneNetwork::ReceiveFragment(const QString& sSender, const QByteArray& datagram)
{
    const std::optional<Fragment> fragment = ReadDatagram(datagram);
    if (!fragment)
        return;
    const int index = fragment->Index;

    int match = -1;
    int free = -1;
    int held = 0;
    int oldest = -1;
    for (int i = 0; i < RecvDataBackCount; ++i) {
        const TPVN_RecvDataBack& slot = PVS_RecvDataBack[static_cast<std::size_t>(i)];
        if (slot.HostName == sSender) {
            if (slot.RecvData->Count() <= index || slot.RecvData->Get(index).isEmpty())
                match = i;
            ++held;
            if (oldest < 0 || slot.RecvTime < PVS_RecvDataBack[static_cast<std::size_t>(oldest)].RecvTime)
                oldest = i;
        } else if (slot.HostName.isEmpty()) {
            free = i;
        }
    }
    int chosen = match;
    if (chosen < 0 && held >= RecvSlotsPerSenderMax) {
        // The sender's oldest unfinished record gives way to its newest one.
        chosen = oldest;
        RecvDataBackEmpty(PVS_RecvDataBack[static_cast<std::size_t>(chosen)]);
    }
    if (chosen < 0)
        chosen = free;
    if (chosen < 0) {
        // A record whole in this one datagram needs no slot: other senders' unfinished
        // records cannot keep it out.
        QByteArray body;
        if (index == 0 && UnframeRecord(fragment->Piece, body) == RecordState::Complete) {
            PVS_RecvInformation.RecvData = AnsiCodePage::Decode(body);
            PVS_RecvInformation.HostName = sSender;
            DispatchPacket();
            return;
        }
        if (OnErrorRecvOverflow)
            OnErrorRecvOverflow(this);
        return;
    }

    TPVN_RecvDataBack& slot = PVS_RecvDataBack[static_cast<std::size_t>(chosen)];
    slot.HostName = sSender;
    slot.RecvTime = PrMonotonicClock();
    slot.RecvCount += 1;
    TAnsiStringList& list = *slot.RecvData;
    while (list.Count() < index)
        list.Add(QByteArray());
    if (list.Count() == index)
        list.Add(fragment->Piece);
    else
        list.Put(index, fragment->Piece);

    // A nested event loop inside the dispatch may fill this slot again; that record goes out too.
    for (;;) {
        if (list.Count() != slot.RecvCount || list.Count() == 0)
            return;
        QByteArray body;
        if (UnframeRecord(list.GetText(), body) != RecordState::Complete)
            return;
        PVS_RecvInformation.RecvData = AnsiCodePage::Decode(body);
        PVS_RecvInformation.HostName = slot.HostName;
        RecvDataBackEmpty(slot);
        DispatchPacket();
    }
}

void TParvaneNetwork::RecvDataBackPurge()
{
    const qint64 now = PrMonotonicClock();
    for (TPVN_RecvDataBack& slot : PVS_RecvDataBack) {
        if (slot.RecvTime != 0 && slot.RecvTime + kRecvSlotLifetimeMs < now)
            RecvDataBackEmpty(slot);
    }
}

void TParvaneNetwork::RecvDataBackEmpty(TPVN_RecvDataBack& slot)
{
    slot.RecvData->Clear();
    slot.HostName.clear();
    slot.RecvTime = 0;
    slot.RecvCount = 0;
}
