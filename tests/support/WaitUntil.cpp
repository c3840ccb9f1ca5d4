#include "WaitUntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <unistd.h>

namespace TestSupport {

bool WaitUntil(const std::function<bool()>& done, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // processEvents returns at once when nothing is pending; a short sleep keeps
        // the wait from spinning a core that the peer copies need.
        usleep(500);
    }
    return true;
}

void PumpFor(int iMs)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (iMs > 0)
            usleep(1000);
    } while (timer.elapsed() < iMs);
}

} // namespace TestSupport
