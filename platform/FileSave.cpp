#include "FileSave.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Tries for a free name of the new file; another writer picking the same random name is rare.
constexpr int kNameTries = 16;

bool WriteAll(int fd, const QByteArray& bytes, bool bAtStart)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = bAtStart ? ::pwrite(fd, bytes.constData() + done, bytes.size() - done, done)
                                       : ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

// The name the bytes must go to: a symbolic link's target, so the link stays a link.
QByteArray TargetPath(const QString& sFileName)
{
    const QFileInfo info(sFileName);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            return QFile::encodeName(target);
    }
    return QFile::encodeName(sFileName);
}

bool SaveInPlace(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool saved = bytes.isEmpty() || ::posix_fallocate(fd, 0, bytes.size()) == 0;
    saved = saved && WriteAll(fd, bytes, true) && ::ftruncate(fd, bytes.size()) == 0 && ::fsync(fd) == 0;
    return ::close(fd) == 0 && saved;
}

} // namespace

bool FileSaveAtomic(const QString& sFileName, const QByteArray& bytes)
{
    const QByteArray path = TargetPath(sFileName);
    struct stat old {};
    const bool exists = ::stat(path.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return false;

    // Until it has the old file's permissions the new one is the owner's alone: it may hold passwords.
    const mode_t firstMode = exists ? 0600 : 0666;
    QByteArray temporary;
    int fd = -1;
    for (int i = 0; i < kNameTries && fd < 0; ++i) {
        temporary = path + ".save-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, firstMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return errno == EACCES && exists && SaveInPlace(path, bytes);

    bool saved = WriteAll(fd, bytes, false);
    if (exists) {
        saved = saved && ::fchmod(fd, old.st_mode & 07777) == 0;
        // Root saving a user's file leaves it the user's; anyone else cannot give it away.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            const int given = ::fchown(fd, old.st_uid, old.st_gid);
            Q_UNUSED(given);
        }
    }
    saved = saved && ::fsync(fd) == 0;
    saved = ::close(fd) == 0 && saved;
    saved = saved && ::rename(temporary.constData(), path.constData()) == 0;
    if (!saved)
        ::unlink(temporary.constData());
    return saved;
}
