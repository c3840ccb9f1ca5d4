#pragma once

// A scripted peer's writes on a stream socket: every byte, or false once the
// other side has gone (no SIGPIPE for the test program).
#include <QByteArray>
#include <sys/socket.h>

namespace TestSupport {

inline bool SendAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace TestSupport
