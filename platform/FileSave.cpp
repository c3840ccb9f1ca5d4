#include "FileSave.h"

#include <QDir>
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
// The piece in which contents put aside are copied into the file.
constexpr qsizetype kCopyBytes = 64 * 1024;

// Writes at iAt, or after what was written before when iAt is negative.
bool WriteAll(int fd, QByteArrayView bytes, qint64 iAt)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = iAt >= 0 ? ::pwrite(fd, bytes.data() + done, bytes.size() - done, iAt + done)
                                       : ::write(fd, bytes.data() + done, bytes.size() - done);
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

// Rewrites the file in place with iSize bytes that writeAll puts there.
bool SaveInPlace(const QByteArray& path, qint64 iSize, const std::function<bool(int fd)>& writeAll)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool saved = iSize == 0 || ::posix_fallocate(fd, 0, iSize) == 0;
    saved = saved && writeAll(fd) && ::ftruncate(fd, iSize) == 0 && ::fsync(fd) == 0;
    return ::close(fd) == 0 && saved;
}

// The source's contents put aside in a nameless file of the temporary folder,
// which goes when it is closed; -1 when they could not be made or put there.
int PutAside(const TFileSaveSource& source, qint64& iSize)
{
    const int fd =
        ::open(QFile::encodeName(QDir::tempPath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    iSize = 0;
    const bool made = source([fd, &iSize](QByteArrayView bytes) {
        iSize += bytes.size();
        return WriteAll(fd, bytes, -1);
    });
    if (made)
        return fd;
    ::close(fd);
    return -1;
}

bool CopyAll(int from, int to, qint64 iSize)
{
    QByteArray block(kCopyBytes, Qt::Uninitialized);
    for (qint64 at = 0; at < iSize;) {
        const ssize_t got = ::pread(from, block.data(), block.size(), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !WriteAll(to, QByteArrayView(block.constData(), got), at))
            return false;
        at += got;
    }
    return true;
}

bool SaveAtomic(const QString& sFileName, const TFileSaveSource& source,
                const std::function<bool(const QByteArray& path)>& saveInPlace)
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
        return errno == EACCES && exists && saveInPlace(path);

    bool saved = source([fd](QByteArrayView bytes) { return WriteAll(fd, bytes, -1); });
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

} // namespace

bool FileSaveAtomic(const QString& sFileName, const QByteArray& bytes)
{
    return SaveAtomic(
        sFileName, [&bytes](const TFileSaveSink& write) { return write(bytes); },
        [&bytes](const QByteArray& path) {
            return SaveInPlace(path, bytes.size(), [&bytes](int fd) { return WriteAll(fd, bytes, 0); });
        });
}

bool FileSaveAtomic(const QString& sFileName, const TFileSaveSource& source)
{
    return SaveAtomic(sFileName, source, [&source](const QByteArray& path) {
        qint64 size = 0;
        const int aside = PutAside(source, size);
        if (aside < 0)
            return false;
        const bool saved =
            SaveInPlace(path, size, [aside, size](int fd) { return CopyAll(aside, fd, size); });
        ::close(aside);
        return saved;
    });
}
