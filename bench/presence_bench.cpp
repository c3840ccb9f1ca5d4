// Presence benchmark: one engine refreshes its list while 255 simulated peers
// on another host of the test LAN answer at once. Reports the engine's CPU
// time per received record and the time until all 255 are listed.
//
// Run as root (the test LAN needs it): build/bin/presence_bench [rounds]
#include "AnsiCodePage.h"
#include "ParvaneNetwork.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPeers = 255;
constexpr quint16 kPort = 51000;

QString PeerAddress(int i)
{
    return QStringLiteral("198.18.4.%1").arg(i + 1);
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int UdpSocket(const QString& address, bool broadcast)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (broadcast)
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(address.isEmpty() ? kPort : 0);
    if (!address.isEmpty())
        inet_pton(AF_INET, address.toLatin1().constData(), &a.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One datagram as a peer frames it; every answer here fits in one.
QByteArray Datagram(const QString& text, int serial)
{
    const QString body =
        QStringLiteral("2020 1 1 0 0 0  0") + QString::number(serial).rightJustified(5, ' ') + text;
    const QByteArray bytes = AnsiCodePage::Encode(body);
    QByteArray s = QByteArray::number(bytes.size()).rightJustified(5, ' ') + bytes;
    s.replace("\r\n", "\\|");
    return QByteArray(1, '\x01') + "0" + s + QByteArray(1, '\0');
}

// The 255 peers of host 1: every LOGIN heard is answered by each of them.
class Responders {
public:
    Responders(TestLan& lan) : FLan(lan) {}
    ~Responders() { Stop(); }

    bool Start()
    {
        for (int i = 0; i < kPeers; ++i) {
            if (!RunIp(
                    {"-n", FLan.NamespaceName(1), "addr", "replace", PeerAddress(i) + "/15", "dev", "eth0"}))
                return false;
        }
        std::atomic<int> ready{0};
        FThread = std::thread([this, &ready] {
            FLan.Enter(1);
            FListen = UdpSocket(QString(), true);
            for (int i = 0; i < kPeers; ++i)
                FSenders.push_back(UdpSocket(PeerAddress(i), false));
            const bool ok =
                FListen >= 0 && std::none_of(FSenders.begin(), FSenders.end(), [](int s) { return s < 0; });
            ready = ok ? 1 : -1;
            if (ok)
                Serve();
            FLan.Leave();
        });
        while (ready == 0)
            usleep(1000);
        return ready == 1;
    }
    void Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
        for (int s : FSenders)
            close(s);
        FSenders.clear();
        if (FListen >= 0)
            close(FListen);
        FListen = -1;
    }

private:
    void Serve()
    {
        int serial = 1;
        while (!FStop) {
            pollfd p{FListen, POLLIN, 0};
            if (poll(&p, 1, 50) != 1)
                continue;
            char buffer[600];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n =
                recvfrom(FListen, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            // Only the engine's LOGIN (unscrambled, one datagram) is answered.
            if (n < 40 || QByteArray(buffer + 29, 17) != "PVMESSAGE:LOGIN&|")
                continue;
            for (int i = 0; i < kPeers; ++i) {
                const QString ip = PeerAddress(i);
                const QString text =
                    QStringLiteral("PVMESSAGE:LOGIN_OK&|198.18.0.1&|Parvane2&|SIM%1&|%2&|Parvane2&|"
                                   "利用者%1&|2200&|0&|0&|0&|52000&|%2\r\n&|")
                        .arg(i + 1, 3, 10, QLatin1Char('0'))
                        .arg(ip);
                const QByteArray d = Datagram(text, serial++ % 100000);
                sendto(FSenders[i], d.constData(), d.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
            }
        }
    }

    TestLan& FLan;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    int FListen = -1;
    std::vector<int> FSenders;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    TestLan lan(2);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "presence_bench: the test LAN cannot be made: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    Responders peers(lan);
    if (!peers.Start()) {
        std::fprintf(stderr, "presence_bench: the simulated peers cannot be set up\n");
        return 1;
    }

    lan.Enter(0);
    int result = 0;
    {
        TParvaneNetwork engine;
        engine.SetDiscrimination(QStringLiteral("Parvane2"));
        engine.SetVersion(2200);
        if (!engine.ServiceStart()) {
            std::fprintf(stderr, "presence_bench: the engine's service does not start\n");
            lan.Leave();
            return 1;
        }
        engine.SetHandleName(QStringLiteral("計測"));
        int records = 0;
        engine.OnLogin = [&](TParvaneNetwork*, const QString&, const QString&, const QString&, const QString&,
                             int, bool, const QString&, bool, bool, int) { ++records; };
        engine.Login();

        std::vector<double> listedMs;
        std::vector<double> cpuPerRecordUs;
        int incomplete = 0;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer settle;
            settle.start();
            while (settle.elapsed() < 300)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            records = 0;
            const double cpu0 = ThreadCpuSeconds();
            QElapsedTimer wall;
            wall.start();
            engine.InformationReflesh();
            while (engine.LoginCount() < kPeers + 1 && wall.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const double elapsed = wall.nsecsElapsed() / 1e6;
            const double cpu = ThreadCpuSeconds() - cpu0;
            if (engine.LoginCount() < kPeers + 1) {
                ++incomplete;
                continue;
            }
            listedMs.push_back(elapsed);
            // Own LOGIN, its own answer and the 255 answers.
            cpuPerRecordUs.push_back(cpu * 1e6 / (kPeers + 2));
        }
        engine.ServiceEnd();

        auto median = [](std::vector<double> v) {
            if (v.empty())
                return 0.0;
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        std::printf("presence refresh with %d answering peers, %d rounds (%d incomplete)\n", kPeers, rounds,
                    incomplete);
        if (!listedMs.empty()) {
            std::printf("  time until all are listed:  median %.2f ms, best %.2f ms, worst %.2f ms\n",
                        median(listedMs), *std::min_element(listedMs.begin(), listedMs.end()),
                        *std::max_element(listedMs.begin(), listedMs.end()));
            std::printf("  engine CPU per record:      median %.1f us\n", median(cpuPerRecordUs));
        }
        result = incomplete == rounds ? 1 : 0;
    }
    lan.Leave();
    peers.Stop();
    return result;
}
