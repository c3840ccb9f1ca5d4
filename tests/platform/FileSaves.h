#pragma once

#include <QFile>
#include <QString>
#include <sys/inotify.h>
#include <unistd.h>

// Counts the saves of one file in a folder: each rename onto its name (an atomic
// save) and each write of it in place that is closed.
class FileSaves {
public:
    FileSaves(const QString& sFolder, QString sName) : FName(std::move(sName))
    {
        FFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (FFd >= 0)
            ::inotify_add_watch(FFd, QFile::encodeName(sFolder).constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FileSaves()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    FileSaves(const FileSaves&) = delete;
    FileSaves& operator=(const FileSaves&) = delete;

    bool IsReady() const { return FFd >= 0; }

    // The saves since the last call.
    int Count()
    {
        int saves = 0;
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t got = ::read(FFd, buffer, sizeof buffer);
            if (got <= 0)
                return saves;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && QFile::decodeName(event->name) == FName)
                    ++saves;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QString FName;
    int FFd = -1;
};
