// Presence benchmark: one engine refreshes its list while 255 simulated peers
// on another host of the test LAN answer at once. Reports the engine's CPU
// time per received record and the time until all 255 are listed.
//
// Run as root (the test LAN needs it): build/bin/presence_bench [rounds]
#include "AnsweringPeers.h"
#include "ParvaneNetwork.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <time.h>
#include <vector>

namespace {

constexpr int kPeers = 255;

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

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
    TestSupport::AnsweringPeers peers(lan, 1, kPeers, lan.Address(0));
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
