// The stand-in for the hidden window's socket notifications. A socket reports
// one notice and then stays quiet until the engine reads, accepts or sends on
// it again, as the engine's handlers expect: they yield to the event loop in
// the middle of their work, and a notifier that kept firing while data waits
// would re-enter them. Notices travel through the event queue in the order
// they arose; one whose socket has gone (or whose descriptor now belongs to
// another socket) is dropped when it comes up.
#include "ParvaneNetwork.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A stream socket that only wants to hear of its close while data waits is
// looked at again after this pause instead of spinning on its readiness.
constexpr int kCloseOnlyRecheckMs = 50;
// Datagrams read for one notice of the datagram socket. A LAN answering a log-in
// sends hundreds at once, and one read per pass of the event loop let the receive
// buffer fill; a bound keeps timers and windows turning while a flood goes on.
constexpr int kDatagramsPerNotice = 64;

bool DatagramWaiting(int iSocket)
{
    pollfd p{iSocket, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

const QEvent::Type kSocketNoticeType = static_cast<QEvent::Type>(QEvent::registerEventType());

class SocketNoticeEvent : public QEvent {
public:
    SocketNoticeEvent(int iSocket, quint64 iSerial, int iEvent, int iError)
        : QEvent(kSocketNoticeType), Socket(iSocket), Serial(iSerial), Event(iEvent), Error(iError)
    {
    }
    int Socket;
    quint64 Serial;
    int Event;
    int Error;
};

} // namespace

int TParvaneNetwork::ErrnoToWSA(int iErrno)
{
    switch (iErrno) {
    case 0:
        return 0;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return WSAEWOULDBLOCK;
    case EMSGSIZE:
        return WSAEMSGSIZE;
    case EADDRINUSE:
        return WSAEADDRINUSE;
    case ENETDOWN:
        return WSAENETDOWN;
    case ENETUNREACH:
        return WSAENETUNREACH;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
        return WSAECONNRESET;
    case ENOTCONN:
        return WSAENOTCONN;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return WSAEHOSTUNREACH;
    default:
        return WSAEOTHER;
    }
}

bool TParvaneNetwork::SocketSelect(int iSocket, int iEvents)
{
    if (iSocket < 0 || fcntl(iSocket, F_GETFD) == -1)
        return false;
    if (PrSelectHook && !PrSelectHook(iSocket, iEvents))
        return false;
    auto found = PrSocketWatch.find(iSocket);
    if (iEvents == 0) {
        if (found != PrSocketWatch.end()) {
            SocketWatch& watch = found->second;
            watch.iEvents = 0;
            watch.bConnecting = false;
            watch.pRead.reset();
            watch.pWrite.reset();
            watch.pConnectTimer.reset();
        }
        return true;
    }
    if (found == PrSocketWatch.end()) {
        found = PrSocketWatch.emplace(iSocket, SocketWatch{}).first;
        found->second.iSerial = PrNextSerial++;
        int type = 0;
        socklen_t length = sizeof type;
        if (getsockopt(iSocket, SOL_SOCKET, SO_TYPE, &type, &length) == 0)
            found->second.bDatagram = type == SOCK_DGRAM;
    }
    SocketWatch& watch = found->second;
    const quint64 serial = watch.iSerial;
    watch.iEvents = iEvents;
    if ((iEvents & (FD_READ | FD_ACCEPT | FD_CLOSE)) != 0) {
        if (!watch.pRead) {
            watch.pRead = std::make_unique<QSocketNotifier>(iSocket, QSocketNotifier::Read);
            connect(watch.pRead.get(), &QSocketNotifier::activated, this,
                    [this, iSocket, serial] { SocketReadReady(iSocket, serial); });
        }
        watch.pRead->setEnabled(!watch.bConnecting && !watch.bCloseReported);
    } else {
        watch.pRead.reset();
    }
    if ((iEvents & (FD_WRITE | FD_CONNECT)) != 0) {
        if (!watch.pWrite) {
            watch.pWrite = std::make_unique<QSocketNotifier>(iSocket, QSocketNotifier::Write);
            connect(watch.pWrite.get(), &QSocketNotifier::activated, this,
                    [this, iSocket, serial] { SocketWriteReady(iSocket, serial); });
            // Switched on by a connect in progress or a send that would block.
            watch.pWrite->setEnabled(watch.bConnecting);
        }
    } else {
        watch.pWrite.reset();
    }
    return true;
}

int TParvaneNetwork::SocketConnect(int iSocket, quint32 iAddress, quint16 iPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(iPort);
    address.sin_addr.s_addr = htonl(iAddress);
    const int rc = ::connect(iSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int error = rc == 0 ? 0 : errno;
    if (rc != 0 && error != EINPROGRESS)
        return ErrnoToWSA(error);
    auto found = PrSocketWatch.find(iSocket);
    if (found == PrSocketWatch.end())
        return 0;
    SocketWatch& watch = found->second;
    if (rc == 0) {
        PostSocketNotify(iSocket, FD_CONNECT, 0);
        if (watch.iEvents & FD_WRITE)
            PostSocketNotify(iSocket, FD_WRITE, 0);
        if (watch.pRead)
            watch.pRead->setEnabled(true);
        return 0;
    }
    watch.bConnecting = true;
    if (watch.pRead)
        watch.pRead->setEnabled(false);
    if (!watch.pWrite) {
        const quint64 serial = watch.iSerial;
        watch.pWrite = std::make_unique<QSocketNotifier>(iSocket, QSocketNotifier::Write);
        connect(watch.pWrite.get(), &QSocketNotifier::activated, this,
                [this, iSocket, serial] { SocketWriteReady(iSocket, serial); });
    }
    watch.pWrite->setEnabled(true);
    // A connect on Linux may wait minutes for an answer where peers expect about 21 seconds.
    const quint64 serial = watch.iSerial;
    watch.pConnectTimer = std::make_unique<QTimer>();
    watch.pConnectTimer->setSingleShot(true);
    connect(watch.pConnectTimer.get(), &QTimer::timeout, this,
            [this, iSocket, serial] { SocketConnectTimeout(iSocket, serial); });
    watch.pConnectTimer->start(PrConnectTimeoutMs);
    return 0;
}

int TParvaneNetwork::SocketAccept(int iListenSocket)
{
    const int fd = accept4(iListenSocket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    PrLastError = fd < 0 ? ErrnoToWSA(errno) : 0;
    auto found = PrSocketWatch.find(iListenSocket);
    if (found != PrSocketWatch.end() && found->second.pRead)
        found->second.pRead->setEnabled(true);
    return fd < 0 ? -1 : fd;
}

qint64 TParvaneNetwork::SocketRecv(int iSocket, char* pBuffer, qint64 iLength)
{
    const ssize_t n = PrStreamRecvHook ? PrStreamRecvHook(iSocket, pBuffer, iLength)
                                       : recv(iSocket, pBuffer, static_cast<size_t>(iLength), 0);
    PrLastError = n < 0 ? ErrnoToWSA(errno) : 0;
    SocketReadAgain(iSocket);
    return n < 0 ? -1 : n;
}

qint64 TParvaneNetwork::SocketSend(int iSocket, const char* pData, qint64 iLength)
{
    const ssize_t n = PrStreamSendHook ? PrStreamSendHook(iSocket, pData, iLength)
                                       : send(iSocket, pData, static_cast<size_t>(iLength), MSG_NOSIGNAL);
    PrLastError = n < 0 ? ErrnoToWSA(errno) : 0;
    if (n < 0 && PrLastError == WSAEWOULDBLOCK) {
        auto found = PrSocketWatch.find(iSocket);
        if (found != PrSocketWatch.end() && found->second.pWrite && (found->second.iEvents & FD_WRITE))
            found->second.pWrite->setEnabled(true);
    }
    return n < 0 ? -1 : n;
}

void TParvaneNetwork::SocketReadAgain(int iSocket)
{
    auto found = PrSocketWatch.find(iSocket);
    if (found == PrSocketWatch.end())
        return;
    SocketWatch& watch = found->second;
    if (watch.pRead && !watch.bConnecting && !watch.bCloseReported)
        watch.pRead->setEnabled(true);
}

void TParvaneNetwork::SocketClose(int iSocket)
{
    if (iSocket < 0)
        return;
    PrSocketWatch.erase(iSocket);
    ::close(iSocket);
}

void TParvaneNetwork::PostSocketNotify(int iSocket, int iEvent, int iError)
{
    auto found = PrSocketWatch.find(iSocket);
    const quint64 serial = found == PrSocketWatch.end() ? 0 : found->second.iSerial;
    QCoreApplication::postEvent(this, new SocketNoticeEvent(iSocket, serial, iEvent, iError));
    ++PrNoticesQueued;
}

void TParvaneNetwork::SocketReadReady(int iSocket, quint64 iSerial)
{
    auto found = PrSocketWatch.find(iSocket);
    if (found == PrSocketWatch.end() || found->second.iSerial != iSerial || !found->second.pRead)
        return;
    SocketWatch& watch = found->second;
    watch.pRead->setEnabled(false);
    if (watch.iEvents & FD_ACCEPT) {
        PostSocketNotify(iSocket, FD_ACCEPT, 0);
        return;
    }
    if (watch.bDatagram) {
        PostSocketNotify(iSocket, FD_READ, 0);
        return;
    }
    // A stream is readable for data and for its end alike; a peek tells them apart.
    char probe = 0;
    const ssize_t n = recv(iSocket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        if (watch.iEvents & FD_READ) {
            PostSocketNotify(iSocket, FD_READ, 0);
            return;
        }
        pollfd p{iSocket, POLLRDHUP, 0};
        if (poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
            watch.bCloseReported = true;
            PostSocketNotify(iSocket, FD_CLOSE, 0);
            return;
        }
        QTimer::singleShot(kCloseOnlyRecheckMs, this, [this, iSocket, iSerial] {
            auto again = PrSocketWatch.find(iSocket);
            if (again != PrSocketWatch.end() && again->second.iSerial == iSerial)
                SocketReadAgain(iSocket);
        });
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        watch.pRead->setEnabled(true);
        return;
    }
    watch.bCloseReported = true;
    if (watch.iEvents & FD_CLOSE)
        PostSocketNotify(iSocket, FD_CLOSE, n == 0 ? 0 : ErrnoToWSA(errno));
}

void TParvaneNetwork::SocketWriteReady(int iSocket, quint64 iSerial)
{
    auto found = PrSocketWatch.find(iSocket);
    if (found == PrSocketWatch.end() || found->second.iSerial != iSerial || !found->second.pWrite)
        return;
    SocketWatch& watch = found->second;
    watch.pWrite->setEnabled(false);
    if (!watch.bConnecting) {
        if (watch.iEvents & FD_WRITE)
            PostSocketNotify(iSocket, FD_WRITE, 0);
        return;
    }
    watch.bConnecting = false;
    watch.pConnectTimer.reset();
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(iSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (watch.iEvents & FD_CONNECT)
        PostSocketNotify(iSocket, FD_CONNECT, ErrnoToWSA(error));
    if (error != 0)
        return;
    if (watch.iEvents & FD_WRITE)
        PostSocketNotify(iSocket, FD_WRITE, 0);
    if (watch.pRead)
        watch.pRead->setEnabled(true);
}

void TParvaneNetwork::SocketConnectTimeout(int iSocket, quint64 iSerial)
{
    auto found = PrSocketWatch.find(iSocket);
    if (found == PrSocketWatch.end() || found->second.iSerial != iSerial || !found->second.bConnecting)
        return;
    SocketWatch& watch = found->second;
    watch.bConnecting = false;
    if (watch.pWrite)
        watch.pWrite->setEnabled(false);
    // The timer is not destroyed here: this runs inside its own signal.
    if (watch.iEvents & FD_CONNECT)
        PostSocketNotify(iSocket, FD_CONNECT, WSAETIMEDOUT);
}

bool TParvaneNetwork::event(QEvent* e)
{
    if (e->type() != kSocketNoticeType)
        return QObject::event(e);
    auto* notice = static_cast<SocketNoticeEvent*>(e);
    // A handler may wait in a loop of its own. That loop delivers what is posted
    // from then on, but the notices already queued behind this one only once
    // something new is posted: the dispatcher is woken for them now, or a transfer
    // whose notice waits there stands still for as long as the handler waits.
    if (--PrNoticesQueued > 0) {
        if (QAbstractEventDispatcher* dispatcher = thread()->eventDispatcher())
            dispatcher->wakeUp();
    }
    auto found = PrSocketWatch.find(notice->Socket);
    if (found == PrSocketWatch.end() || found->second.iSerial != notice->Serial)
        return true;
    SocketNotify(notice->Socket, notice->Event, notice->Error);
    return true;
}

void TParvaneNetwork::SocketNotify(int iSocket, int iEvent, int iError)
{
    if (iSocket == FSocketNo) {
        // The first read also takes a pending error off the socket; what waits after
        // it is read now, in the order it came.
        ReceiveDatagram();
        for (int i = 1; i < kDatagramsPerNotice && iSocket == FSocketNo && DatagramWaiting(iSocket); ++i)
            ReceiveDatagram();
        return;
    }
    if (iSocket == FFTPSocketNo) {
        if (iEvent == FD_ACCEPT)
            AcceptConnection();
        return;
    }
    if (PrNoticeHook) {
        PrNoticeHook(iSocket, iEvent, iError);
        return;
    }
    switch (iEvent) {
    case FD_CONNECT:
        FileConnectNotify(iSocket, iError);
        break;
    case FD_WRITE:
        FileWriteNotify(iSocket, iError);
        break;
    case FD_READ:
        FileReadNotify(iSocket, iError);
        break;
    case FD_CLOSE:
        FileCloseNotify(iSocket, iError);
        break;
    default:
        break;
    }
}

void TParvaneNetwork::AcceptConnection()
{
    const int fd = SocketAccept(FFTPSocketNo);
    if (fd < 0) {
        if (PrLastError != WSAEWOULDBLOCK) {
            ++PrAcceptFailures;
            AcceptPause();
        }
        return;
    }
    // A connection the engine cannot watch or track would only leak its descriptor.
    if (!SocketSelect(fd, FD_READ | FD_CLOSE) || !FileRecvAccepted(fd))
        SocketClose(fd);
}

void TParvaneNetwork::AcceptPause()
{
    auto found = PrSocketWatch.find(FFTPSocketNo);
    if (found == PrSocketWatch.end() || !found->second.pRead)
        return;
    found->second.pRead->setEnabled(false);
    const int iSocket = FFTPSocketNo;
    const quint64 serial = found->second.iSerial;
    QTimer::singleShot(PrAcceptRetryMs, this, [this, iSocket, serial] {
        auto again = PrSocketWatch.find(iSocket);
        if (again != PrSocketWatch.end() && again->second.iSerial == serial && again->second.pRead)
            again->second.pRead->setEnabled(true);
    });
}
