#pragma once

#include <QByteArray>
#include <QFile>
#include <sys/types.h>

namespace TestSupport {

// A figure of a process's /proc status in KiB ("VmHWM", its peak resident
// memory, or "VmRSS", what it holds now); -1 when it cannot be read.
inline qint64 ProcessMemoryKiB(const char* sField, pid_t pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(sField) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').front().toLongLong();
    }
    return -1;
}

} // namespace TestSupport
