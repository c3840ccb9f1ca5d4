#pragma once

// The fuzzers' and the seed writer's window into the engine: they stand in for
// its sockets, so they set up the state a started, logged-in service would have
// without opening any, and reach the private receive paths directly.
#include "ParvaneNetwork.h"
#include "TransferNumbers.h"

#include <fcntl.h>
#include <unistd.h>

class TParvaneNetworkFuzzAccess {
public:
    // A service that seems started: the datagram socket is a descriptor of /dev/null,
    // owned and closed by the engine like its socket, which nothing ever reads or
    // sends on because every datagram goes to the hook.
    static void StartWithoutSockets(TParvaneNetwork& e, const QString& machine, const QStringList& addresses,
                                    std::function<bool(const QByteArray&, quint32)> sendHook)
    {
        e.PrDatagramSendHook = std::move(sendHook);
        e.FSocketNo = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        e.FMachineName = machine;
        e.FIPAddress = addresses;
    }
    static void SetStreamHooks(TParvaneNetwork& e, std::function<qint64(int, char*, qint64)> recvHook,
                               std::function<qint64(int, const char*, qint64)> sendHook)
    {
        e.PrStreamRecvHook = std::move(recvHook);
        e.PrStreamSendHook = std::move(sendHook);
    }

    // Datagram layer: one datagram as recvfrom gave it, with its sender.
    static void Datagram(TParvaneNetwork& e, const QString& sender, const QByteArray& datagram)
    {
        e.ReceiveFragment(sender, datagram);
    }
    static void SetMonotonicClock(TParvaneNetwork& e, std::function<qint64()> clock)
    {
        e.PrMonotonicClock = std::move(clock);
    }
    static void Purge(TParvaneNetwork& e) { e.RecvDataBackPurge(); }
    static const TPVN_RecvDataBack& Slot(const TParvaneNetwork& e, int i)
    {
        return e.PVS_RecvDataBack[static_cast<std::size_t>(i)];
    }
    static const TPVN_LoginUserInformation& Entry(const TParvaneNetwork& e, int i)
    {
        return e.FLoginUser[static_cast<std::size_t>(i)];
    }
    static bool SendPacket(TParvaneNetwork& e, const QString& text) { return e.SendPacket(text, QString()); }

    // The engine's answers, which only a received record triggers otherwise.
    static bool SendLoginOk(TParvaneNetwork& e, const QString& ip, const QString& dis)
    {
        return e.SendLoginOk(ip, dis);
    }
    static bool SendMessageOk(TParvaneNetwork& e, const QString& id, const QString& ip, const QString& dis)
    {
        return e.SendMessageOk(id, ip, dis);
    }
    static bool SendAbsenceMessage(TParvaneNetwork& e, const QString& message, const QString& title,
                                   const QString& ip, const QString& dis)
    {
        return e.SendAbsenceMessage(message, title, ip, dis);
    }
    static bool SendMenuNothing(TParvaneNetwork& e, const QString& ip, const QString& dis)
    {
        return e.SendMenuNothing(ip, dis);
    }

    // File transfer. An accepted connection on descriptor fd, as the listening socket would
    // hand it over; false when the engine refuses to track it (it then closes nothing).
    static bool AcceptIncoming(TParvaneNetwork& e, int fd) { return e.FileRecvAccepted(fd); }
    // An outgoing transfer whose connection is in progress on fd, as FileSend leaves it.
    static int AdoptOutgoing(TParvaneNetwork& e, int fd, const QString& handle, const QString& addresses,
                             const QString& dis, const QString& file, qint64 size, const QString& comment)
    {
        const int id = TakeTransferNumber(e.PrNextTransferId);
        TPVN_FileSend* record = e.FileSendAdd();
        record->clsSocket = fd;
        record->TransferId = id;
        record->sSendUser = handle + TParvaneNetwork::FieldSeparator + addresses +
                            TParvaneNetwork::FieldSeparator + dis + TParvaneNetwork::FieldSeparator;
        record->sSendFile = file;
        record->iSendFileSize = size;
        record->sSendFileComment = comment;
        return id;
    }
    static void Connected(TParvaneNetwork& e, int fd, int error) { e.FileConnectNotify(fd, error); }
    static void ReadReady(TParvaneNetwork& e, int fd) { e.FileReadNotify(fd, 0); }
    static void WriteReady(TParvaneNetwork& e, int fd) { e.FileWriteNotify(fd, 0); }
    static void Closed(TParvaneNetwork& e, int fd) { e.FileCloseNotify(fd, 0); }
    static std::size_t Transfers(const TParvaneNetwork& e) { return e.PrFTPSend.size() + e.PrFTPRecv.size(); }
};
