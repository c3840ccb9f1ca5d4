#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

// A disk of a few KiB for tests of what a full disk or a failed rename does: a
// tmpfs in a mount namespace that only the calling thread enters, so the
// machine's own mounts never see it, and nothing stays mounted when the test
// ends or dies. Needs root (CI runs as root). Use it from one thread only.
class SmallDisk {
public:
    explicit SmallDisk(int iKiB = 64) { FMounted = Mount(iKiB); }

    ~SmallDisk()
    {
        if (FMounted)
            ::umount2(QFile::encodeName(FPath).constData(), MNT_DETACH);
        if (FEntered)
            ::setns(FOriginal, CLONE_NEWNS);
        if (FOriginal >= 0)
            ::close(FOriginal);
        // Back in the machine's own view the folder is empty, unless a thread outside
        // the namespace wrote there; either way nothing of it may stay.
        if (!FPath.isEmpty())
            QDir(FPath).removeRecursively();
    }

    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool IsReady() const { return FMounted; }
    const QString& Error() const { return FError; }
    QString Path() const { return FPath; }
    QString FilePath(const QString& sName) const { return FPath + u'/' + sName; }

    // Takes what is left of the disk with a file of its own; true once no byte more fits.
    bool Fill() const
    {
        QFile filler(FilePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write(block.left(1)) == 1) {
        }
        return true;
    }

    // Makes every rename onto sFile fail (it becomes a mount point of itself)
    // while it stays readable and writable in place.
    bool PinFile(const QString& sFile) const
    {
        const QByteArray path = QFile::encodeName(sFile);
        return ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0;
    }

private:
    bool Mount(int iKiB)
    {
        FOriginal = ::open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
        if (FOriginal < 0)
            return Fail("no mount namespace to come back to");
        if (::unshare(CLONE_NEWNS) != 0)
            return Fail("unshare");
        FEntered = true;
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return Fail("making the mounts private");
        QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/pv-small-disk-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr)
            return Fail("mkdtemp");
        FPath = QFile::decodeName(folder);
        const QByteArray options = "size=" + QByteArray::number(iKiB) + "k,mode=0755";
        if (::mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0)
            return Fail("mounting the tmpfs");
        return true;
    }

    bool Fail(const char* sWhat)
    {
        FError =
            QString::fromLatin1(sWhat) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }

    int FOriginal = -1;
    bool FEntered = false;
    bool FMounted = false;
    QString FPath;
    QString FError;
};
