#pragma once

// The one window that tests and fuzz targets have into the engine's private
// parts: each routine reaches one member, and what a suite builds from them
// (a service without sockets, a LAN of one) lives with that suite. The engine
// names only this class as its friend.
#include "ParvaneNetwork.h"
#include "TransferNumbers.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class TParvaneNetworkSeam {
public:
    // --- The machine
    static QString MachineName() { return TParvaneNetwork::GetLocalMachineName(); }
    static QStringList LocalAddresses()
    {
        QStringList list{"stale"};
        TParvaneNetwork::GetLocalIPAddress(list);
        return list;
    }

    // --- A service that seems started: the sockets and names a start would set
    static void SetSocketNo(TParvaneNetwork& e, int fd) { e.FSocketNo = fd; }
    static void SetMachineName(TParvaneNetwork& e, const QString& name) { e.FMachineName = name; }
    static void SetAddresses(TParvaneNetwork& e, const QStringList& addresses) { e.FIPAddress = addresses; }
    // Logged in without a socket, as far as the table's rules go.
    static void SetLoggedIn(TParvaneNetwork& e) { e.FLoginStates = true; }
    static void SetDatagramSendHook(TParvaneNetwork& e, std::function<bool(const QByteArray&, quint32)> hook)
    {
        e.PrDatagramSendHook = std::move(hook);
    }
    static void SetStreamHooks(TParvaneNetwork& e, std::function<qint64(int, char*, qint64)> recvHook,
                               std::function<qint64(int, const char*, qint64)> sendHook)
    {
        e.PrStreamRecvHook = std::move(recvHook);
        e.PrStreamSendHook = std::move(sendHook);
    }

    // --- Datagram layer
    // One datagram as recvfrom gave it, with its sender.
    static void Fragment(TParvaneNetwork& e, const QString& sender, const QByteArray& datagram)
    {
        e.ReceiveFragment(sender, datagram);
    }
    static const TPVN_RecvDataBack& Slot(const TParvaneNetwork& e, int i)
    {
        return e.PVS_RecvDataBack[static_cast<std::size_t>(i)];
    }
    static void SetMonotonicClock(TParvaneNetwork& e, std::function<qint64()> clock)
    {
        e.PrMonotonicClock = std::move(clock);
    }
    static void Purge(TParvaneNetwork& e) { e.RecvDataBackPurge(); }
    static int AskingAddressesRemembered(const TParvaneNetwork& e)
    {
        return static_cast<int>(e.PrAnswersByAddress.size());
    }
    static bool SendPacket(TParvaneNetwork& e, const QString& text, const QString& target)
    {
        return e.SendPacket(text, target);
    }
    static int MaxSendByte(const TParvaneNetwork& e) { return e.PrMaxSendByte; }
    static int FTPMaxSendByte(const TParvaneNetwork& e) { return e.PrFTPMaxSendByte; }

    // --- The engine's answers, which only a received record triggers otherwise
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

    // --- Peer table
    static void LoginUserSet(TParvaneNetwork& e, const QString& machine, const QString& dis,
                             const QString& ipList, const QString& handle, int version, bool absence,
                             const QString& title, bool menu, bool chat, int port, const QString& sender)
    {
        e.LoginUserSet(machine, dis, ipList, handle, version, absence, title, menu, chat, port, sender);
    }
    static void LoginUserDelete(TParvaneNetwork& e, const QString& machine, const QString& dis)
    {
        e.LoginUserDelete(machine, dis);
    }
    static const TPVN_LoginUserInformation& Entry(const TParvaneNetwork& e, int i)
    {
        return e.FLoginUser[static_cast<std::size_t>(i)];
    }
    static QString MachineNameToIPAddress(const TParvaneNetwork& e, const QString& machine)
    {
        return e.MachineNameToIPAddress(machine);
    }

    // --- Timers
    static void SetIntervals(TParvaneNetwork& e, int purgeMs, int sendTimeoutMs)
    {
        e.PrRecvPurgeIntervalMs = purgeMs;
        e.PrSendTimeoutMs = sendTimeoutMs;
    }
    static void SetSendTimeout(TParvaneNetwork& e, int ms) { e.PrSendTimeoutMs = ms; }
    static void SetConnectTimeout(TParvaneNetwork& e, int ms) { e.PrConnectTimeoutMs = ms; }
    static void SetHeaderTimeout(TParvaneNetwork& e, int ms) { e.PrFileHeaderTimeoutMs = ms; }
    static void SetStallTime(TParvaneNetwork& e, int ms) { e.PrTransferStallMs = ms; }
    static void StartPurgeTimer(TParvaneNetwork& e) { e.PrRecvPurgeTimer.start(e.PrRecvPurgeIntervalMs, &e); }
    static void StartSendTimeout(TParvaneNetwork& e, int slot) { e.SendTimeoutStart(slot); }
    static bool PurgeTimerActive(const TParvaneNetwork& e) { return e.PrRecvPurgeTimer.isActive(); }
    static bool SendTimerActive(const TParvaneNetwork& e, int slot)
    {
        return e.PrSendTimeoutTimer[static_cast<std::size_t>(slot)].isActive();
    }
    static void SetSendHistory(TParvaneNetwork& e, int slot, const TPVN_SendHistory& entry)
    {
        e.PVS_SendHistory[static_cast<std::size_t>(slot)] = entry;
    }

    // --- Socket notifications
    static bool Select(TParvaneNetwork& e, int fd, int events) { return e.SocketSelect(fd, events); }
    static int Connect(TParvaneNetwork& e, int fd, quint32 address, quint16 port)
    {
        return e.SocketConnect(fd, address, port);
    }
    static int Accept(TParvaneNetwork& e, int fd) { return e.SocketAccept(fd); }
    static qint64 Recv(TParvaneNetwork& e, int fd, char* buffer, qint64 n)
    {
        return e.SocketRecv(fd, buffer, n);
    }
    static qint64 Send(TParvaneNetwork& e, int fd, const char* data, qint64 n)
    {
        return e.SocketSend(fd, data, n);
    }
    static int LastError(const TParvaneNetwork& e) { return e.PrLastError; }
    // Stops watching and closes, as the socket's owner would.
    static void Close(TParvaneNetwork& e, int fd) { e.SocketClose(fd); }
    static void Post(TParvaneNetwork& e, int fd, int event) { e.PostSocketNotify(fd, event, 0); }
    static bool Watched(const TParvaneNetwork& e, int fd) { return e.PrSocketWatch.count(fd) != 0; }
    static void SetNoticeHook(TParvaneNetwork& e, std::function<void(int, int, int)> hook)
    {
        e.PrNoticeHook = std::move(hook);
    }
    static void SetSelectHook(TParvaneNetwork& e, std::function<bool(int, int)> hook)
    {
        e.PrSelectHook = std::move(hook);
    }

    // --- File transfer
    static int AcceptFailures(const TParvaneNetwork& e) { return e.PrAcceptFailures; }
    // A reception on fd with nothing read yet, as an accepted connection starts.
    static void AdoptIncoming(TParvaneNetwork& e, int fd)
    {
        auto record = std::make_unique<TPVN_FileRecv>();
        record->clsSocket = fd;
        e.PrFTPRecv.push_back(std::move(record));
    }
    // An accepted connection on fd, as the listening socket would hand it over;
    // false when the engine refuses to track it (it then closes nothing).
    static bool AcceptIncoming(TParvaneNetwork& e, int fd) { return e.FileRecvAccepted(fd); }
    // A new sending record with a number of its own, for the caller to fill.
    static TPVN_FileSend* FileSendAdd(TParvaneNetwork& e, int& iTransferId)
    {
        iTransferId = TakeTransferNumber(e.PrNextTransferId);
        return e.FileSendAdd();
    }
    // The socket of the reception with that number; nullopt when there is none.
    static std::optional<int> RecvSocket(const TParvaneNetwork& e, int iTransferId)
    {
        const TPVN_FileRecv* record = e.FileRecvFindId(iTransferId);
        if (!record)
            return std::nullopt;
        return record->clsSocket;
    }
    static void Connected(TParvaneNetwork& e, int fd, int error) { e.FileConnectNotify(fd, error); }
    static void ReadReady(TParvaneNetwork& e, int fd) { e.FileReadNotify(fd, 0); }
    static void WriteReady(TParvaneNetwork& e, int fd) { e.FileWriteNotify(fd, 0); }
    static void Closed(TParvaneNetwork& e, int fd) { e.FileCloseNotify(fd, 0); }
    static std::size_t Transfers(const TParvaneNetwork& e) { return e.PrFTPSend.size() + e.PrFTPRecv.size(); }
};
