// The engine's lifecycle: construction, the start and end of the service, its
// two timer families and the re-reading of the local addresses after every tick.
#include "ParvaneNetwork.h"

#include <QTimerEvent>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A datagram is cut into pieces of at most this size, as the Windows stack
// allowed; the largest UDP payload bounds each TCP send.
constexpr int kMaxDatagramByte = 256;
constexpr int kMaxUdpDatagram = 65507;
constexpr int kListenBacklog = 5;
// The datagram socket's receive buffer: room for a full LAN's answers to a log-in
// (255 records, each a datagram that costs the kernel up to about 2 KB) while the
// thread is busy. The kernel caps it at its own limit (net.core.rmem_max).
constexpr int kDatagramReceiveBuffer = 1024 * 1024;

constexpr int kDefaultFTPSendByte = 4096;
constexpr int kDefaultFTPRecvByte = 8192;
constexpr int kDefaultVersion = 100;

// Stands in for the hidden window's handle: unique per engine in the process.
std::atomic<quint32> gNextHandle{1};

qint64 SteadyMilliseconds()
{
    using namespace std::chrono;
    // +1 keeps a reading of 0, which marks an unused slot, out of reach.
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

bool BindAny(int fd, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<quint16>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool SetOption(int fd, int option)
{
    int on = 1;
    return setsockopt(fd, SOL_SOCKET, option, &on, sizeof on) == 0;
}

} // namespace

TParvaneNetwork::TParvaneNetwork(QObject* parent) : QObject(parent)
{
    PrFTPMaxSendByte = kMaxUdpDatagram;
    PrMaxSendByte = std::min(kMaxDatagramByte, kMaxUdpDatagram);
    FHandle = gNextHandle.fetch_add(1);
    FDiscrimination = QStringLiteral("PVN");
    FVersion = kDefaultVersion;
    FPortNo = DefaultPortNo;
    FFTPPortNo = DefaultFTPPortNo;
    FFTPSendByte = kDefaultFTPSendByte;
    FFTPRecvByte = kDefaultFTPRecvByte;
    PrMonotonicClock = SteadyMilliseconds;
    for (TPVN_RecvDataBack& slot : PVS_RecvDataBack)
        slot.RecvData = std::make_unique<TAnsiStringList>();
    connect(&PrStallTimer, &QTimer::timeout, this, &TParvaneNetwork::FileStallCheck);
}

TParvaneNetwork::~TParvaneNetwork()
{
    if (FSocketNo != -1)
        ServiceEnd();
    FileSendClear();
    FileRecvClear();
    for (QBasicTimer& timer : PrSendTimeoutTimer)
        timer.stop();
    // Whatever socket is still watched (none, normally) is closed with the engine.
    while (!PrSocketWatch.empty())
        SocketClose(PrSocketWatch.begin()->first);
}

bool TParvaneNetwork::ServiceStart()
{
    if (FSocketNo != -1)
        return false;

    RecvDataBackReset();
    for (TPVN_RecvHistory& entry : PVS_RecvHistory)
        entry = TPVN_RecvHistory{};
    SendHistoryClear();
    FileSendClear();
    FileRecvClear();

    FMachineName = GetLocalMachineName();
    GetLocalIPAddress(FIPAddress);

    auto fail = [this] {
        ServiceEnd();
        return false;
    };

    FSocketNo = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (FSocketNo < 0) {
        FSocketNo = -1;
        return fail();
    }
    if (!SetOption(FSocketNo, SO_BROADCAST) || !SetOption(FSocketNo, SO_REUSEADDR) ||
        !BindAny(FSocketNo, FPortNo) || !SocketSelect(FSocketNo, FD_READ))
        return fail();
    // A smaller buffer than asked for still works: no failure.
    setsockopt(FSocketNo, SOL_SOCKET, SO_RCVBUF, &kDatagramReceiveBuffer, sizeof kDatagramReceiveBuffer);
    PrRecvPurgeTimer.start(PrRecvPurgeIntervalMs, this);

    if (FFTPPortNo != 0) {
        FFTPSocketNo = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (FFTPSocketNo < 0) {
            FFTPSocketNo = -1;
            return fail();
        }
        if (!SetOption(FFTPSocketNo, SO_REUSEADDR) || !BindAny(FFTPSocketNo, FFTPPortNo) ||
            !SocketSelect(FFTPSocketNo, FD_ACCEPT) || listen(FFTPSocketNo, kListenBacklog) != 0)
            return fail();
    }
    return true;
}

void TParvaneNetwork::ServiceEnd()
{
    if (FLoginStates)
        Logout();
    PrRecvPurgeTimer.stop();
    if (FSocketNo != -1)
        SocketClose(FSocketNo);
    if (FFTPSocketNo != -1)
        SocketClose(FFTPSocketNo);
    RecvDataBackReset();
    LoginUserClear();
    FSocketNo = -1;
    FFTPSocketNo = -1;
    FMachineName.clear();
    FIPAddress.clear();
    FAbsence = false;
    FAbsenceTitle.clear();
    FAbsenceMessage.clear();
    FLoginStates = false;
    FLoginCount = 0;
}

void TParvaneNetwork::RecvDataBackReset()
{
    for (TPVN_RecvDataBack& slot : PVS_RecvDataBack)
        RecvDataBackEmpty(slot);
    PrRecvFinished = {};
}

void TParvaneNetwork::LoginUserClear()
{
    for (TPVN_LoginUserInformation& entry : FLoginUser)
        entry = TPVN_LoginUserInformation{};
    FLoginCount = 0;
}

TPVN_LoginUserInformation TParvaneNetwork::GetLoginUser(int Index) const
{
    if (Index < 0 || Index >= FLoginCount)
        return TPVN_LoginUserInformation{};
    return FLoginUser[static_cast<std::size_t>(Index)];
}

void TParvaneNetwork::SendTimeoutStart(int iSlot)
{
    if (iSlot >= 1 && iSlot <= SendHistoryCount)
        PrSendTimeoutTimer[static_cast<std::size_t>(iSlot)].start(PrSendTimeoutMs, this);
}

void TParvaneNetwork::SendTimeoutStop(int iSlot)
{
    if (iSlot >= 1 && iSlot <= SendHistoryCount)
        PrSendTimeoutTimer[static_cast<std::size_t>(iSlot)].stop();
}

void TParvaneNetwork::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == PrRecvPurgeTimer.timerId()) {
        RecvDataBackPurge();
    } else {
        int slot = 0;
        for (int i = 1; i <= SendHistoryCount; ++i) {
            if (PrSendTimeoutTimer[static_cast<std::size_t>(i)].timerId() == e->timerId()) {
                slot = i;
                break;
            }
        }
        if (slot == 0) {
            QObject::timerEvent(e);
            return;
        }
        SendTimeoutStop(slot);
        SendHistoryTimeout(slot);
    }
    LocalAddressCompare();
}

void TParvaneNetwork::LocalAddressCompare()
{
    QStringList fresh;
    GetLocalIPAddress(fresh);
    if (fresh == FIPAddress)
        return;
    FIPAddress = fresh;
    if (OnIPAddressChange)
        OnIPAddressChange(this);
}
