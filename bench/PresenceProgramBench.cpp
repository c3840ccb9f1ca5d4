// Presence benchmark of the whole program: parvane2 in host 1 of the test LAN, on
// an X server of its own, refreshes its list (the view menu's command, typed by
// xdotool) while 255 simulated peers in host 2, each with an address of its own,
// answer at once, and a colleague's engine in host 3 writes to it every 50 ms.
// Reported per refresh:
//   listed   from the program's LOGIN until it answers a LOGIN sent right after the
//            255 answers: it reads its datagrams in order, so by then every answer
//            has its row (the table's one sort and menu pass follows in that turn);
//   receipts the colleague's round trips from MessageSend until OnMessageOk;
//   dropped  the Udp RcvbufErrors of host 1: datagrams its kernel threw away.
//
// Run as root (the test LAN needs it): build/bin/PresenceProgramBench [rounds [shot.png]]
// With a file name, the program runs under a window manager (openbox) and its
// screen is saved there after the last round, every answer listed.
#include "AnsweringPeers.h"
#include "Colleague.h"
#include "ParvaneNetwork.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kId = QStringLiteral("Parvane2");
constexpr int kOffice = 255;
constexpr int kMessageMs = 50;
// A receipt later than this counts as none; so does a refresh not listed by then.
constexpr int kLateMs = 10000;
// After the refresh is listed the colleague writes on a little, then all settles.
constexpr int kAfterMs = 200;
constexpr int kSettleMs = 1500;

struct Round {
    double dListedMs = -1;
    std::vector<double> receipts;
    int iLost = 0;
    qint64 iDropped = 0;
};

void Pump(int iMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < iMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

Round Refresh(TestLan& lan, TestSupport::ProgramCopy& program, TestSupport::AnsweringPeers& office,
              TParvaneNetwork& colleague)
{
    Round round;
    const size_t iProbes = office.ProbeMs().size();
    const qint64 iDropped = lan.UdpReceiveBufferErrors(0);
    QMap<QString, double> sentAt, answeredAt;
    QElapsedTimer clock;
    colleague.OnMessageOk = [&](TParvaneNetwork*, const QString& id, const QString&, const QString&,
                                const QString&) {
        if (sentAt.contains(id) && !answeredAt.contains(id))
            answeredAt[id] = clock.nsecsElapsed() / 1e6;
    };
    program.Focus(QStringLiteral("^Parvane 2$"));
    program.Keys({QStringLiteral("alt+v"), QStringLiteral("r")}, 20);
    clock.start();
    qint64 iListedAt = -1;
    int iMessages = 0;
    while (clock.elapsed() < kLateMs) {
        if (iListedAt < 0 && office.ProbeMs().size() > iProbes)
            iListedAt = clock.elapsed();
        const bool bWriting = iListedAt < 0 || clock.elapsed() < iListedAt + kAfterMs;
        if (bWriting && clock.elapsed() >= qint64(iMessages) * kMessageMs) {
            const QString id = colleague.MessageSend(QStringLiteral("用件%1").arg(iMessages),
                                                     lan.MachineName(0), kId, false);
            if (!id.isEmpty())
                sentAt[id] = clock.nsecsElapsed() / 1e6;
            ++iMessages;
        }
        if (!bWriting && answeredAt.size() == sentAt.size())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    Pump(kSettleMs);
    colleague.OnMessageOk = nullptr;
    const std::vector<double> probes = office.ProbeMs();
    if (probes.size() > iProbes)
        round.dListedMs = probes.back();
    const RoundTrips trips = RoundTripsOf(sentAt, answeredAt, iMessages, kLateMs);
    round.receipts = trips.ms;
    round.iLost = trips.iLost;
    round.iDropped = lan.UdpReceiveBufferErrors(0) - iDropped;
    return round;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iRounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    TestLan lan(3);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "PresenceProgramBench: the test LAN cannot be made: %s\n",
                     qPrintable(lan.Error()));
        return 1;
    }
    TestSupport::ProgramCopy program(lan, 0);
    const QString sShot = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!sShot.isEmpty())
        program.AddCompanion(
            QStringLiteral("openbox"),
            {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), QStringLiteral("/dev/null")});
    if (!program.Start("[Option]\r\nHandleName=Taro\r\nCustomizeStartVersionCheck=0\r\n")) {
        std::fprintf(stderr, "PresenceProgramBench: the program does not start\n");
        return 1;
    }
    TestSupport::AnsweringPeers office(lan, 1, kOffice, lan.Address(0), true);
    if (!office.Start()) {
        std::fprintf(stderr, "PresenceProgramBench: the simulated peers cannot be set up\n");
        return 1;
    }
    lan.Enter(2);
    int result = 0;
    {
        TParvaneNetwork colleague;
        const bool bListed = ColleagueLogsIn(colleague);
        if (!bListed) {
            std::fprintf(stderr, "PresenceProgramBench: the colleague does not see the program\n");
            result = 1;
        } else {
            std::printf("refresh of the program answered by %d peers, a colleague's message every %d ms\n",
                        kOffice, kMessageMs);
            for (int i = 0; i < iRounds; ++i) {
                const Round r = Refresh(lan, program, office, colleague);
                const double dWorst =
                    r.receipts.empty() ? 0 : *std::max_element(r.receipts.begin(), r.receipts.end());
                if (r.dListedMs < 0)
                    std::printf("  round %d: not listed within %d ms;", i + 1, kLateMs);
                else
                    std::printf("  round %d: listed in %.1f ms;", i + 1, r.dListedMs);
                std::printf(" %d log-ins answered;", office.Answered());
                std::printf(" receipts median %.1f ms, worst %.1f ms (%zu answered, %d lost); dropped %lld\n",
                            Median(r.receipts), dWorst, r.receipts.size(), r.iLost, (long long)r.iDropped);
            }
            if (!sShot.isEmpty() && !program.Shot(sShot)) {
                std::fprintf(stderr, "PresenceProgramBench: no picture of the screen\n");
                result = 1;
            }
        }
    }
    lan.Leave();
    return result;
}
