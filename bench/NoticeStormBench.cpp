// Notice storm benchmark: the whole program in host 1 of the test LAN, on an X
// server of its own, while a peer in host 2 logs in and out 2.5 times a second
// with a handle of 20 KB, each time a line of the program's notice. A colleague's
// engine in host 3 writes a message every two seconds and waits for its receipt.
// Reported: the round trips from MessageSend until OnMessageOk, first without
// the peer, then with it, and how many messages got no receipt at all.
//
// Run as root (the test LAN needs it): build/bin/NoticeStormBench [seconds]
#include "AnsiCodePage.h"
#include "Colleague.h"
#include "DatagramFraming.h"
#include "ParvaneNetwork.h"
#include "ProgramCopy.h"
#include "Stamps.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kId = QStringLiteral("Parvane2");
constexpr quint16 kPort = 51000;
constexpr int kToggleMs = 200;
constexpr int kMessageMs = 2000;
// A receipt later than this counts as none.
constexpr int kLateMs = 10000;

// The toggling peer: a plain socket in host 2 that sends records framed as a peer frames them.
class Toggler {
public:
    Toggler(TestLan& lan) : FTarget(lan.Address(0))
    {
        FSocket = lan.In(1, [] { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); });
        const QString sSelf = lan.Address(1);
        const QString sHandle = QStringLiteral("長").repeated(10000);
        FRecords[0] =
            QStringLiteral("PVMESSAGE:LOGIN&|PVHOST2&|%1&|Parvane2&|%2&|2200&|0&|0&|0&|52000&|%1\r\n&|")
                .arg(sSelf, sHandle);
        FRecords[1] = QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST2&|Parvane2");
    }
    ~Toggler()
    {
        if (FSocket >= 0)
            close(FSocket);
    }
    bool IsOpen() const { return FSocket >= 0; }

    void Next()
    {
        const QByteArray framed = DatagramFraming::FrameRecord(
            AnsiCodePage::Encode(Stamps::NewPacketId() + FRecords[FNext++ % 2]), false);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        inet_pton(AF_INET, FTarget.toLatin1().constData(), &to.sin_addr);
        for (const QByteArray& datagram : DatagramFraming::CutIntoDatagrams(framed, 512))
            sendto(FSocket, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                   reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

private:
    int FSocket = -1;
    QString FTarget;
    QString FRecords[2];
    int FNext = 0;
};

using Figures = RoundTrips;

// Messages every two seconds for the time given, the toggler (when there is one) every 200 ms.
Figures Run(TParvaneNetwork& colleague, const QString& sProgram, int iSeconds, Toggler* toggler)
{
    QMap<QString, double> sentAt;
    QMap<QString, double> answeredAt;
    QElapsedTimer clock;
    clock.start();
    colleague.OnMessageOk = [&](TParvaneNetwork*, const QString& id, const QString&, const QString&,
                                const QString&) {
        if (sentAt.contains(id) && !answeredAt.contains(id))
            answeredAt[id] = clock.nsecsElapsed() / 1e6;
    };
    int iToggles = 0;
    int iMessages = 0;
    const qint64 iEnd = qint64(iSeconds) * 1000;
    while (clock.elapsed() < iEnd + kLateMs) {
        const qint64 now = clock.elapsed();
        if (toggler && now < iEnd && now >= qint64(iToggles) * kToggleMs) {
            toggler->Next();
            ++iToggles;
        }
        if (now < iEnd && now >= qint64(iMessages) * kMessageMs + kMessageMs / 2) {
            const QString id =
                colleague.MessageSend(QStringLiteral("用件%1").arg(iMessages), sProgram, kId, false);
            if (!id.isEmpty())
                sentAt[id] = clock.nsecsElapsed() / 1e6;
            ++iMessages;
        }
        if (now >= iEnd && answeredAt.size() == sentAt.size())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const Figures figures = RoundTripsOf(sentAt, answeredAt, iMessages, kLateMs);
    colleague.OnMessageOk = nullptr;
    return figures;
}

void Report(const char* sName, const Figures& f)
{
    if (f.ms.empty()) {
        std::printf("  %-28s no receipt (%d lost)\n", sName, f.iLost);
        return;
    }
    std::printf("  %-28s median %.1f ms, best %.1f ms, worst %.1f ms (%zu answered, %d lost)\n", sName,
                f.ms[f.ms.size() / 2], f.ms.front(), f.ms.back(), f.ms.size(), f.iLost);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iSeconds = argc > 1 ? std::max(2, atoi(argv[1])) : 20;
    TestLan lan(3);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "NoticeStormBench: the test LAN cannot be made: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    TestSupport::ProgramCopy program(lan, 0);
    if (!program.Start("[Option]\r\nHandleName=Taro\r\nCustomizeStartVersionCheck=0\r\n")) {
        std::fprintf(stderr, "NoticeStormBench: the program does not start\n");
        return 1;
    }
    Toggler toggler(lan);
    if (!toggler.IsOpen()) {
        std::fprintf(stderr, "NoticeStormBench: the toggling peer has no socket\n");
        return 1;
    }
    lan.Enter(2);
    int result = 0;
    {
        TParvaneNetwork colleague;
        const bool bListed = ColleagueLogsIn(colleague);
        if (!bListed) {
            std::fprintf(stderr, "NoticeStormBench: the colleague does not see the program\n");
            result = 1;
        } else {
            const QString sProgram = lan.MachineName(0);
            std::printf("message round trips to the program, one every %d ms for %d s\n", kMessageMs,
                        iSeconds);
            Report("without the peer", Run(colleague, sProgram, iSeconds, nullptr));
            Report("20 KB handle, 2.5 toggles/s", Run(colleague, sProgram, iSeconds, &toggler));
        }
    }
    lan.Leave();
    return result;
}
