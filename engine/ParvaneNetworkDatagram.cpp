// The datagram layer under every record: the framing is told in DatagramFraming.h.
// A receiver reassembles per sender in 20 slots, joining only pieces that came
// together and dropping a piece the network delivered twice, drops a packet id
// it saw among the last 11 and dispatches the rest.
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

// The place of the first piece a slot holds.
int FirstHeldIndex(const TAnsiStringList& list)
{
    int i = 0;
    while (i < list.Count() && list.Get(i).isEmpty())
        ++i;
    return i;
}

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
    if (index == 0) {
        // A record whole in this one datagram needs no slot and joins no other piece, so
        // neither a stray piece nor other senders' unfinished records can spoil it; one
        // that can never be right whatever follows is dropped here.
        QByteArray body;
        const RecordState alone = UnframeRecord(fragment->Piece, body);
        if (alone == RecordState::Bad)
            return;
        if (alone == RecordState::Complete) {
            PVS_RecvInformation.RecvData = AnsiCodePage::Decode(body);
            PVS_RecvInformation.HostName = sSender;
            DispatchPacket();
            return;
        }
    }
    const qint64 now = PrMonotonicClock();
    RecvDataBackExpire(now);
    // A repeat would take a slot of its own, which the sender's next record then joins.
    if (RecvPieceRepeated(sSender, index, fragment->Piece, now))
        return;

    int chosen = RecvSlotFor(sSender, index, now);
    bool gaveWay = false;
    if (chosen < 0) {
        chosen = RecvSlotOldest(QString());
        RecvDataBackEmpty(PVS_RecvDataBack[static_cast<std::size_t>(chosen)]);
        gaveWay = true;
    }

    TPVN_RecvDataBack& slot = PVS_RecvDataBack[static_cast<std::size_t>(chosen)];
    slot.HostName = sSender;
    slot.RecvTime = now;
    if (slot.RecvCount == 0)
        slot.RecvStartTime = now;
    slot.RecvCount += 1;
    TAnsiStringList& list = *slot.RecvData;
    while (list.Count() < index)
        list.Add(QByteArray());
    if (list.Count() == index)
        list.Add(fragment->Piece);
    else
        list.Put(index, fragment->Piece);
    if (gaveWay && OnErrorRecvOverflow)
        OnErrorRecvOverflow(this);

    // A nested event loop inside the dispatch may fill this slot again; that record goes out too.
    for (;;) {
        if (list.Count() != slot.RecvCount || list.Count() == 0)
            return;
        QByteArray body;
        const RecordState state = UnframeRecord(list.GetText(), body);
        if (state == RecordState::Incomplete)
            return;
        const QString sender = slot.HostName;
        if (state == RecordState::Complete)
            RecvFinishedKeep(sender, list, now);
        // A record that cannot be right is dropped whole: none of its pieces joins another.
        RecvDataBackEmpty(slot);
        if (state == RecordState::Bad)
            return;
        PVS_RecvInformation.RecvData = AnsiCodePage::Decode(body);
        PVS_RecvInformation.HostName = sender;
        DispatchPacket();
    }
}

int TParvaneNetwork::RecvSlotFor(const QString& sSender, int iIndex, qint64 iNow)
{
    int match = -1;
    int free = -1;
    int held = 0;
    for (int i = 0; i < RecvDataBackCount; ++i) {
        const TPVN_RecvDataBack& slot = PVS_RecvDataBack[static_cast<std::size_t>(i)];
        if (slot.HostName.isEmpty()) {
            free = i;
            continue;
        }
        if (slot.HostName != sSender)
            continue;
        ++held;
        const TAnsiStringList& list = *slot.RecvData;
        if (list.Count() > iIndex && !list.Get(iIndex).isEmpty())
            continue;
        // A piece that goes before every piece the slot holds came with them only if
        // it came right after them.
        if (iIndex < FirstHeldIndex(list) && iNow - slot.RecvStartTime > RecvPieceLeadMs)
            continue;
        // The record the sender is sending now is the one that last had a piece.
        if (match < 0 || slot.RecvTime >= PVS_RecvDataBack[static_cast<std::size_t>(match)].RecvTime)
            match = i;
    }
    if (match >= 0)
        return match;
    if (held >= RecvSlotsPerSenderMax) {
        const int oldest = RecvSlotOldest(sSender);
        RecvDataBackEmpty(PVS_RecvDataBack[static_cast<std::size_t>(oldest)]);
        return oldest;
    }
    return free;
}

bool TParvaneNetwork::RecvPieceRepeated(const QString& sSender, int iIndex, const QByteArray& piece,
                                        qint64 iNow) const
{
    // The latest record only: a record sent again with a new packet id may repeat the
    // earlier one's later pieces byte for byte, and its own first piece came before them.
    qint64 latest = -1;
    QByteArray held;
    for (const TPVN_RecvDataBack& slot : PVS_RecvDataBack) {
        if (slot.HostName.isEmpty() || slot.HostName != sSender || slot.RecvTime < latest)
            continue;
        latest = slot.RecvTime;
        held = iIndex < slot.RecvData->Count() ? slot.RecvData->Get(iIndex) : QByteArray();
    }
    for (const TRecvFinished& done : PrRecvFinished) {
        if (done.HostName.isEmpty() || done.HostName != sSender || done.RecvTime <= latest ||
            iNow - done.RecvTime > RecvPieceLeadMs)
            continue;
        latest = done.RecvTime;
        held = done.Pieces.value(iIndex);
    }
    return !held.isEmpty() && held == piece;
}

void TParvaneNetwork::RecvFinishedKeep(const QString& sSender, const TAnsiStringList& pieces, qint64 iNow)
{
    TRecvFinished* place = nullptr;
    for (TRecvFinished& done : PrRecvFinished) {
        if (done.HostName == sSender) {
            place = &done;
            break;
        }
        if (!place || done.RecvTime < place->RecvTime)
            place = &done;
    }
    place->HostName = sSender;
    place->RecvTime = iNow;
    place->Pieces.clear();
    for (int i = 0; i < pieces.Count(); ++i)
        place->Pieces.append(pieces.Get(i));
}

int TParvaneNetwork::RecvSlotOldest(const QString& sSender) const
{
    int oldest = -1;
    for (int i = 0; i < RecvDataBackCount; ++i) {
        const TPVN_RecvDataBack& slot = PVS_RecvDataBack[static_cast<std::size_t>(i)];
        if (slot.HostName.isEmpty() || (!sSender.isEmpty() && slot.HostName != sSender))
            continue;
        if (oldest < 0 || slot.RecvTime < PVS_RecvDataBack[static_cast<std::size_t>(oldest)].RecvTime)
            oldest = i;
    }
    return oldest;
}

void TParvaneNetwork::RecvDataBackPurge()
{
    RecvDataBackExpire(PrMonotonicClock());
}

void TParvaneNetwork::RecvDataBackExpire(qint64 iNow)
{
    for (TPVN_RecvDataBack& slot : PVS_RecvDataBack) {
        if (slot.RecvTime != 0 && slot.RecvTime + RecvRecordLifetimeMs < iNow)
            RecvDataBackEmpty(slot);
    }
    for (TRecvFinished& done : PrRecvFinished) {
        if (done.RecvTime != 0 && done.RecvTime + RecvPieceLeadMs < iNow)
            done = TRecvFinished();
    }
}

void TParvaneNetwork::RecvDataBackEmpty(TPVN_RecvDataBack& slot)
{
    slot.RecvData->Clear();
    slot.HostName.clear();
    slot.RecvTime = 0;
    slot.RecvStartTime = 0;
    slot.RecvCount = 0;
}
