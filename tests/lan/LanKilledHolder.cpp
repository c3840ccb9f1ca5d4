// Makes a test LAN and dies without cleaning up, as a test killed by a time-out does.
#include "TestLan.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main()
{
    TestLan lan(1);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "%s\n", qPrintable(lan.Error()));
        return 1;
    }
    std::printf("%ld\n", static_cast<long>(getpid()));
    std::fflush(stdout);
    std::raise(SIGKILL);
    return 0;
}
