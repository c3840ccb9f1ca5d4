#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>

// Work that each arrival asks for but that is the same for all of them (laying
// out a view, redrawing a table, writing the log): asked for any number of
// times, it runs once, when the event loop next comes round. The engine reads
// one datagram a turn, so under a flood the turns are short; a gap makes the
// work wait that long after it last ran, so that a flood's arrivals gather.
class TOncePerTurn {
public:
    explicit TOncePerTurn(std::function<void()> work, int iGapMs = 0) : FWork(std::move(work)), FGapMs(iGapMs)
    {
        FTimer.setSingleShot(true);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Run(); });
    }
    TOncePerTurn(const TOncePerTurn&) = delete;
    TOncePerTurn& operator=(const TOncePerTurn&) = delete;

    void Ask()
    {
        if (FTimer.isActive())
            return;
        const qint64 iWait = FLastRun.isValid() ? FGapMs - FLastRun.elapsed() : 0;
        FTimer.start(int(std::clamp<qint64>(iWait, 0, FGapMs)));
    }
    // Runs the work now when it was asked for and has not run yet.
    void RunNow()
    {
        if (FTimer.isActive())
            Run();
    }

private:
    void Run()
    {
        FTimer.stop();
        FLastRun.start();
        FWork();
    }

    std::function<void()> FWork;
    int FGapMs = 0;
    QTimer FTimer;
    QElapsedTimer FLastRun;
};
