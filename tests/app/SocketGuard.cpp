#include "SocketGuard.h"

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/socket.h>
#include <thread>

namespace {

std::atomic<bool> gRefused{false};
std::atomic<bool> gTried{false};
// The engine runs on the test's own thread; threads of other libraries (the web
// engine's network, once a web test has loaded it) go on with their own sockets.
std::atomic<std::thread::id> gGuarded{};

} // namespace

namespace SocketGuard {

void SetRefused(bool bRefused)
{
    gTried = false;
    gGuarded = std::this_thread::get_id();
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
    if (gRefused && (iDomain == AF_INET || iDomain == AF_INET6) && std::this_thread::get_id() == gGuarded) {
        gTried = true;
        errno = EACCES;
        return -1;
    }
    using TSocket = int (*)(int, int, int);
    static const auto real = reinterpret_cast<TSocket>(dlsym(RTLD_NEXT, "socket"));
    return real(iDomain, iType, iProtocol);
}
