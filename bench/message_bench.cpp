// Message benchmark: one engine in host 1 sends messages to a second engine
// in host 2 (on a thread of its own, with its own event loop) and waits for
// each receipt. Reports the time from MessageSend until OnMessageOk, for a
// short text and for the longest message (2048 bytes), plain and scrambled, and
// for a message of two datagrams while lone pieces from five addresses of a
// third host hold every reassembly slot of the receiver.
//
// Run as root (the test LAN needs it): build/bin/message_bench [rounds]
#include "AnsiCodePage.h"
#include "ParvaneNetwork.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kId = QStringLiteral("Parvane2");

// The receiving copy: lives in host 2 for its whole life, on its own thread.
class Receiver : public QThread {
public:
    explicit Receiver(TestLan& lan) : FLan(lan) {}

    std::atomic<int> Ready{0};
    TParvaneNetwork* Engine = nullptr;

protected:
    void run() override
    {
        FLan.Enter(1);
        {
            TParvaneNetwork engine;
            engine.SetDiscrimination(kId);
            engine.SetVersion(2200);
            engine.SetFTPPortNo(0);
            const bool started = engine.ServiceStart();
            engine.SetHandleName(QStringLiteral("受信側"));
            if (started)
                engine.Login();
            Engine = &engine;
            Ready = started ? 1 : -1;
            if (started)
                exec();
            Engine = nullptr;
        }
        FLan.Leave();
    }

private:
    TestLan& FLan;
};

void RunOnReceiver(Receiver& r, const std::function<void(TParvaneNetwork&)>& f)
{
    QMetaObject::invokeMethod(
        r.Engine, [&r, &f] { f(*r.Engine); }, Qt::BlockingQueuedConnection);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

struct Case {
    const char* Name;
    QString Text;
    bool Scrambled;
    bool Jammed = false; // every reassembly slot of the receiver taken first
};

// Sockets in host 3 on five addresses of their own, each sending the receiver
// four pieces that begin no record.
class Jammer {
public:
    Jammer(TestLan& lan, quint16 port) : FPort(port)
    {
        for (int a = 1; a <= 5; ++a) {
            const QString address = QStringLiteral("198.18.6.%1").arg(a);
            RunIp({"-n", lan.NamespaceName(2), "addr", "add", address + "/15", "dev", "eth0"});
            const int fd = lan.In(2, [] { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); });
            sockaddr_in from{};
            from.sin_family = AF_INET;
            inet_pton(AF_INET, address.toLatin1().constData(), &from.sin_addr);
            if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0)
                FSockets.push_back(fd);
            else
                close(fd);
        }
        FTarget.sin_family = AF_INET;
        FTarget.sin_port = htons(FPort);
        inet_pton(AF_INET, lan.Address(1).toLatin1().constData(), &FTarget.sin_addr);
    }
    ~Jammer()
    {
        for (int fd : FSockets)
            close(fd);
    }
    bool Ready() const { return FSockets.size() == 5; }
    void Jam()
    {
        for (int fd : FSockets) {
            for (int i = 0; i < 4; ++i) {
                const QByteArray piece = QByteArray(1, '\x02') + QByteArray(200, 'j') + QByteArray(1, '\0');
                sendto(fd, piece.constData(), static_cast<size_t>(piece.size()), 0,
                       reinterpret_cast<const sockaddr*>(&FTarget), sizeof FTarget);
            }
        }
    }

private:
    quint16 FPort;
    sockaddr_in FTarget{};
    std::vector<int> FSockets;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    TestLan lan(3);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "message_bench: the test LAN cannot be made: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    Receiver receiver(lan);
    receiver.start();
    while (receiver.Ready == 0)
        QThread::msleep(1);
    if (receiver.Ready != 1) {
        std::fprintf(stderr, "message_bench: the receiving engine does not start\n");
        receiver.wait();
        return 1;
    }

    lan.Enter(0);
    int result = 0;
    {
        TParvaneNetwork engine;
        engine.SetDiscrimination(kId);
        engine.SetVersion(2200);
        engine.SetFTPPortNo(0);
        const bool started = engine.ServiceStart();
        engine.SetHandleName(QStringLiteral("送信側"));
        if (!started || !engine.Login() || !PumpUntil([&] { return engine.LoginCount() == 2; }, 5000)) {
            std::fprintf(stderr, "message_bench: the sending engine does not see the receiver\n");
            result = 1;
        } else {
            QString acknowledged;
            engine.OnMessageOk = [&](TParvaneNetwork*, const QString& id, const QString&, const QString&,
                                     const QString&) { acknowledged = id; };
            const QString longText = QStringLiteral("日本語の文章").repeated(171).left(1024);
            const std::vector<Case> cases = {
                {"short text, plain", QStringLiteral("こんにちは"), false},
                {"2048 bytes, plain", longText, false},
                {"2048 bytes, scrambled", longText, true},
                {"2 datagrams, slots held", QStringLiteral("字").repeated(200), false, true},
            };
            Jammer jammer(lan, static_cast<quint16>(engine.PortNo()));
            if (!jammer.Ready())
                std::fprintf(stderr, "message_bench: the lone pieces' addresses cannot be set up\n");
            std::printf("message to a second engine and back, %d rounds per case (%lld bytes long text)\n",
                        rounds, static_cast<long long>(AnsiCodePage::ByteLength(longText)));
            for (const Case& c : cases) {
                engine.SetSecurity(c.Scrambled);
                RunOnReceiver(receiver, [&c](TParvaneNetwork& e) { e.SetSecurity(c.Scrambled); });
                std::vector<double> ms;
                int lost = 0;
                for (int round = 0; round < rounds; ++round) {
                    if (c.Jammed) {
                        jammer.Jam();
                        // The pieces reach the receiver before the message does.
                        QThread::msleep(20);
                    }
                    QElapsedTimer t;
                    t.start();
                    const QString id = engine.MessageSend(c.Text, QStringLiteral("PVHOST2"), kId, false);
                    if (id.isEmpty() ||
                        !PumpUntil([&] { return acknowledged == id; }, c.Jammed ? 5000 : 2000)) {
                        ++lost;
                        continue;
                    }
                    ms.push_back(t.nsecsElapsed() / 1e6);
                }
                std::sort(ms.begin(), ms.end());
                if (ms.empty()) {
                    std::printf("  %-22s all %d lost\n", c.Name, lost);
                    continue;
                }
                std::printf("  %-22s median %.3f ms, best %.3f ms, worst %.3f ms (%d lost)\n", c.Name,
                            ms[ms.size() / 2], ms.front(), ms.back(), lost);
            }
        }
    }
    lan.Leave();
    receiver.quit();
    receiver.wait();
    return result;
}
