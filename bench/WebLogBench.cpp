// What a long answer costs a web view without a line limit (the version check's):
// 10,000 lines added to one view (offscreen, its engine in a host of a test LAN);
// the time to add the first 500 and the last 500, each batch until the page has them.
//   bench/WebLogBench [lines]   (default: 10000; root, for the test LAN)
#include "TestLan.h"
#include "WebBrowserSp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

constexpr int kBatch = 500;

bool WaitFor(const std::function<bool()>& condition, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Adds lines [iFirst, iFirst + kBatch) and waits until the page's body holds them.
double Batch(TWebBrowserSp& browser, int iFirst)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = iFirst; i < iFirst + kBatch; ++i)
        browser.InnerHTMLAdd(
            QStringLiteral("<div style=\"margin-left: 10px;\">%1 行目の注記です。</div>").arg(i));
    // The scripts run in order: the answer to this one comes after the last line's.
    bool bDone = false;
    browser.ScrollHeight([&](int) { bDone = true; });
    WaitFor([&] { return bDone; }, 600000);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int iLines = argc > 1 ? qMax(2 * kBatch, QByteArray(argv[1]).toInt()) : 10000;
    TestLan lan(1);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "no test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    lan.Enter(0);
    {
        TWebBrowserSp browser;
        if (browser.EngineMissing()) {
            std::fputs("the browser module could not be loaded\n", stderr);
            return 1;
        }
        browser.DocumentWrite(QStringLiteral("<html><body></body></html>"));
        WaitFor([&] { return browser.Ready(); }, 60000);
        const double first = Batch(browser, 0);
        for (int i = kBatch; i < iLines - kBatch; i += kBatch)
            Batch(browser, i);
        const double last = Batch(browser, iLines - kBatch);
        std::printf("web view without a line limit, %d lines\n", iLines);
        std::printf("  first %d lines: %.1f ms\n", kBatch, first);
        std::printf("  last %d lines:  %.1f ms (%.2f times the first)\n", kBatch, last, last / first);
    }
    lan.Leave();
    return 0;
}
