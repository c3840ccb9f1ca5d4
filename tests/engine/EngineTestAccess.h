#pragma once

// The one window the engine's own tests have into its private parts. One
// definition for every test file of the engine, so the friend stays one class.
#include "ParvaneNetwork.h"

class TParvaneNetworkTestAccess {
public:
    static QString MachineName() { return TParvaneNetwork::GetLocalMachineName(); }
    static QStringList LocalAddresses()
    {
        QStringList list{"stale"};
        TParvaneNetwork::GetLocalIPAddress(list);
        return list;
    }

    // Datagram layer.
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

    // Peer table.
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
    // Logged in without a socket, as far as the table's rules go.
    static void SetLoggedIn(TParvaneNetwork& e) { e.FLoginStates = true; }
    static void SetMachineName(TParvaneNetwork& e, const QString& name) { e.FMachineName = name; }
    static QString MachineNameToIPAddress(const TParvaneNetwork& e, const QString& machine)
    {
        return e.MachineNameToIPAddress(machine);
    }

    // Timers.
    static void SetIntervals(TParvaneNetwork& e, int purgeMs, int sendTimeoutMs)
    {
        e.PrRecvPurgeIntervalMs = purgeMs;
        e.PrSendTimeoutMs = sendTimeoutMs;
    }
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

    // Socket notifications.
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
    static void SetConnectTimeout(TParvaneNetwork& e, int ms) { e.PrConnectTimeoutMs = ms; }
    static void AdoptIncoming(TParvaneNetwork& e, int fd)
    {
        auto record = std::make_unique<TPVN_FileRecv>();
        record->clsSocket = fd;
        e.PrFTPRecv.push_back(std::move(record));
    }
};
