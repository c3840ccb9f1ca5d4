#include "SocketGuard.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::atomic<bool> gRefused{false};
std::atomic<bool> gTried{false};
// The thread that refused: only its sockets are refused.
std::atomic<pthread_t> gThread{};

} // namespace

namespace SocketGuard {

void SetRefused(bool bRefused)
{
    gTried = false;
    gThread = pthread_self();
    gRefused = bRefused;
}

bool Tried()
{
    return gTried;
}

} // namespace SocketGuard

// Stands in front of the C library's socket for the whole test program; other
// families (the local and netlink sockets of Qt and getifaddrs) pass.
extern "C" int socket(int iDomain, int iType, int iProtocol)
{
    if (gRefused && (iDomain == AF_INET || iDomain == AF_INET6) && pthread_equal(gThread, pthread_self())) {
        gTried = true;
        // Who asked, for the test's failure to name it.
        std::fprintf(stderr, "SocketGuard: refused socket(%d, %d, %d), asked from:\n", iDomain, iType,
                     iProtocol);
        void* frames[24];
        backtrace_symbols_fd(frames, backtrace(frames, 24), STDERR_FILENO);
        errno = EACCES;
        return -1;
    }
    using TSocket = int (*)(int, int, int);
    static const auto real = reinterpret_cast<TSocket>(dlsym(RTLD_NEXT, "socket"));
    return real(iDomain, iType, iProtocol);
}
