#include "SocketGuard.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// The guard is what keeps the window tests off the LAN from reaching the
// machine's network, so it must refuse and tell, and let local sockets pass.
TEST(SocketGuard, RefusesInternetSocketsAndTellsWhileLocalOnesPass)
{
    SocketGuard::SetRefused(true);
    errno = 0;
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, 0), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(socket(AF_INET6, SOCK_STREAM, 0), -1);
    EXPECT_TRUE(SocketGuard::Tried());
    const int local = socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_GE(local, 0);
    if (local >= 0)
        close(local);
    // Another thread's sockets are not the test's: refused only on the refusing thread.
    int other = -1;
    std::thread([&other] { other = socket(AF_INET, SOCK_DGRAM, 0); }).join();
    EXPECT_GE(other, 0);
    if (other >= 0)
        close(other);
    SocketGuard::SetRefused(false);
    EXPECT_FALSE(SocketGuard::Tried());
}

} // namespace
