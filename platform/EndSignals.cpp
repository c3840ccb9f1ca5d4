#include "EndSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe's write end, for the handler; only async-signal-safe calls reach it.
volatile sig_atomic_t WriteEnd = -1;

void OnSignal(int iSignal)
{
    const int iSaved = errno;
    const unsigned char number = static_cast<unsigned char>(iSignal);
    if (WriteEnd >= 0) [[maybe_unused]]
        const ssize_t written = ::write(WriteEnd, &number, 1);
    errno = iSaved;
}

} // namespace

EndSignals::EndSignals(TEndEvent onEnd) : FOnEnd(std::move(onEnd))
{
    if (WriteEnd >= 0 || ::pipe2(FPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(FPipe[0], QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [this] { Read(); });
    WriteEnd = FPipe[1];
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    FInstalled = true;
    for (const int iSignal : kEndSignals)
        FInstalled = ::sigaction(iSignal, &action, nullptr) == 0 && FInstalled;
}

EndSignals::~EndSignals()
{
    if (FPipe[1] < 0)
        return;
    for (const int iSignal : kEndSignals)
        ::signal(iSignal, SIG_DFL);
    WriteEnd = -1;
    FNotifier.reset();
    ::close(FPipe[0]);
    ::close(FPipe[1]);
}

void EndSignals::Read()
{
    unsigned char number = 0;
    while (::read(FPipe[0], &number, 1) == 1) {
        if (FOnEnd)
            FOnEnd(number);
    }
}
