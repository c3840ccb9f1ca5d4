#pragma once

// A display number for one of the tests' X servers that no other server on the
// machine uses, whatever network namespace it runs in. Xvfb's own choice
// (-displayfd) sees only the sockets of its own namespace, so servers in two
// test-LAN hosts took the same number and then fought over the files that
// number names in /tmp (its socket and the keymap it compiles), and one died.
// The number is held by an flock on a file of its own until Release().
#include <QString>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace TestSupport {

class XDisplayNumber {
public:
    // Far above the numbers a desktop picks, and above those xvfb-run -a counts up
    // to from 99 while it sees their lock files: it would take one of ours in the
    // moment before our server has written its lock.
    static constexpr int kFirst = 2000;
    // Enough for every X server of a parallel test run on this machine.
    static constexpr int kCount = 400;

    XDisplayNumber()
    {
        for (int i = kFirst; i < kFirst + kCount && FFd < 0; ++i) {
            const QByteArray path = QByteArrayLiteral("/tmp/.parvane2-x") + QByteArray::number(i);
            const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0)
                continue;
            // A number another server holds, or that a server not of ours has locked.
            if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
                access(("/tmp/.X" + std::to_string(i) + "-lock").c_str(), F_OK) == 0 ||
                access(("/tmp/.X11-unix/X" + std::to_string(i)).c_str(), F_OK) == 0) {
                close(fd);
                continue;
            }
            FFd = fd;
            FNumber = i;
        }
    }
    ~XDisplayNumber() { Release(); }
    XDisplayNumber(const XDisplayNumber&) = delete;
    XDisplayNumber& operator=(const XDisplayNumber&) = delete;

    bool IsValid() const { return FFd >= 0; }
    // ":N", for Xvfb's command line and DISPLAY.
    QString Display() const { return u':' + QString::number(FNumber); }
    void Release()
    {
        if (FFd >= 0)
            close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
    int FNumber = -1;
};

} // namespace TestSupport
