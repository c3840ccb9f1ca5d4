#include "FuzzSupport.h"

#include "SystemClock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <unistd.h>

namespace Fuzz {
namespace {

std::uint32_t gRandomState = 1;

} // namespace

void Initialise()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own statics go first, and the fuzzer ends by exit().
    static QCoreApplication* app = nullptr;
    if (app)
        return;
    // Where allowed, the run gets an empty network namespace of its own, so that even
    // a future path that opened a socket could reach nothing.
    unshare(CLONE_NEWNET);
    app = new QCoreApplication(argc, argv);
    const QDateTime fixed(QDate(2011, 8, 29), QTime(0, 5, 9, 123));
    SystemClock::SetNowSource([fixed] { return fixed; });
    SystemClock::SetRandomSource([](int below) {
        if (below < 1)
            return 0;
        gRandomState = gRandomState * 1103515245u + 12345u;
        return static_cast<int>((gRandomState >> 8) % static_cast<std::uint32_t>(below));
    });
}

void ResetSources()
{
    gRandomState = 1;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "==fuzz== invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

int LowestFreeDescriptor()
{
    const int fd = ::dup(0);
    if (fd >= 0)
        ::close(fd);
    return fd;
}

} // namespace Fuzz
