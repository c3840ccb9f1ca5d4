#include "InstanceLock.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString& TestDirectory()
{
    static QString sDirectory;
    return sDirectory;
}

} // namespace

InstanceLock::~InstanceLock()
{
    Release();
}

QString InstanceLock::LockDirectory()
{
    if (!TestDirectory().isEmpty())
        return TestDirectory();
    const QString sRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!sRuntime.isEmpty() && QDir(sRuntime).exists())
        return sRuntime;
    // A folder only this user may enter, so nobody else can hold or plant the lock file.
    const QString sPrivate = QDir::tempPath() + QStringLiteral("/parvane2-") + QString::number(getuid());
    const QByteArray path = QFile::encodeName(sPrivate);
    mkdir(path.constData(), 0700);
    return sPrivate;
}

QString InstanceLock::LockFilePath(const QString& sName)
{
    return LockDirectory() + u'/' + sName + QStringLiteral(".lock");
}

void InstanceLock::SetLockDirectoryForTest(const QString& sDirectory)
{
    TestDirectory() = sDirectory;
}

InstanceLock::TResult InstanceLock::Acquire(const QString& sName)
{
    Release();
    const QByteArray path = QFile::encodeName(LockFilePath(sName));
    // Close-on-exec: a program this copy starts must not keep the lock after it ends.
    const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool bHeld = errno == EWOULDBLOCK;
        close(fd);
        return bHeld ? HeldElsewhere : Unavailable;
    }
    FFd = fd;
    return Acquired;
}

void InstanceLock::Release()
{
    if (FFd < 0)
        return;
    close(FFd);
    FFd = -1;
}
