// How long the version window takes to appear the first time it is opened: from
// the Help menu's command until the window has painted itself, and until its
// browser view is ready; as the window does it (the browser made once the window
// is on screen), and with the browser made before the window first paints, as it
// once was. Each round is a fresh copy of this program, as only the first window
// of a process loads the browser engine (offscreen, the engine in a host of a test LAN).
//   bench/UpdateWindowBench [rounds]   (default: 5; root, for the test LAN)
#include "Settings.h"
#include "TestLan.h"
#include "UpdateUnit.h"
#include "WebBrowserSp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char kRoundVariable[] = "PV_UPDATE_WINDOW_BENCH_ROUND";

bool WaitFor(const std::function<bool()>& condition, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Notes the time of the window's first paint.
class TFirstPaint : public QObject {
public:
    explicit TFirstPaint(const QElapsedTimer& clock) : FClock(clock) {}
    double iPaintedMs = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && iPaintedMs < 0)
            iPaintedMs = FClock.nsecsElapsed() / 1e6;
        return false;
    }

private:
    const QElapsedTimer& FClock;
};

// One round: prints "<painted ms> <ready ms>".
int Round(int argc, char** argv, bool bBrowserFirst)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestLan lan(1);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "no test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    lan.Enter(0);
    QTemporaryDir dir;
    ProgramDirectory = dir.path() + u'/';
    FileBaseName = ProgramDirectory + SettingsBaseName;
    QElapsedTimer clock;
    TFirstPaint painted(clock);
    clock.start();
    UpdateFormShow();
    UpdateForm->installEventFilter(&painted);
    if (bBrowserFirst)
        UpdateForm->BrowserStart();
    if (!WaitFor([&] { return painted.iPaintedMs >= 0; }, 60000) ||
        !WaitFor([] { return UpdateForm->wbBrowser != nullptr && UpdateForm->wbBrowser->Ready(); }, 60000)) {
        std::fputs("the window did not appear\n", stderr);
        return 1;
    }
    const double readyMs = clock.nsecsElapsed() / 1e6;
    std::printf("%.1f %.1f\n", painted.iPaintedMs, readyMs);
    UpdateFormRelease();
    return 0;
}

void Report(const char* sWhat, std::vector<double> figures)
{
    std::sort(figures.begin(), figures.end());
    std::printf("    %s median %.0f ms, best %.0f ms, worst %.0f ms\n", sWhat, figures[figures.size() / 2],
                figures.front(), figures.back());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kRoundVariable))
        return Round(argc, argv, qgetenv(kRoundVariable) == "browser-first");
    QCoreApplication core(argc, argv);
    const int iRounds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;
    std::printf("version window, first opening in a process, %d rounds each\n", iRounds);
    for (const char* sOrder : {"window-first", "browser-first"}) {
        std::vector<double> painted, ready;
        for (int i = 0; i < iRounds; ++i) {
            QProcess round;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QString::fromLatin1(kRoundVariable), QString::fromLatin1(sOrder));
            round.setProcessEnvironment(environment);
            round.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            round.start(QCoreApplication::applicationFilePath(), {});
            if (!round.waitForFinished(120000) || round.exitCode() != 0) {
                std::fputs("a round failed\n", stderr);
                return 1;
            }
            const QList<QByteArray> figures = round.readAllStandardOutput().trimmed().split(' ');
            painted.push_back(figures.value(0).toDouble());
            ready.push_back(figures.value(1).toDouble());
        }
        std::printf("  %s\n", sOrder);
        Report("until the window has painted:   ", painted);
        Report("until its browser view is ready:", ready);
    }
    return 0;
}
