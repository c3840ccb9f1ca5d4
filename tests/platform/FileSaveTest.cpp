#include "FileSave.h"

#include "SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

QByteArray Bytes(const QString& sFileName)
{
    QFile file(sFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool Put(const QString& sFileName, const QByteArray& bytes)
{
    QFile file(sFileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct stat Status(const QString& sFileName)
{
    struct stat status {};
    ::lstat(QFile::encodeName(sFileName).constData(), &status);
    return status;
}

// Runs f in a child process that has become an ordinary user, so a folder it may
// not create files in refuses it as it would refuse the user; the exit code carries f's answer.
int AsNobody(const std::function<bool()>& f)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        ::_exit(f() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileSave, ReplacesTheBytesAndKeepsPermissionsOwnerAndLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Parvane2.INI"));
    ASSERT_TRUE(FileSaveAtomic(path, "first\r\n"));
    EXPECT_EQ(Bytes(path), QByteArray("first\r\n"));

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    const ino_t before = Status(path).st_ino;
    ASSERT_TRUE(FileSaveAtomic(path, "second\r\n"));
    EXPECT_EQ(Bytes(path), QByteArray("second\r\n"));
    EXPECT_NE(Status(path).st_ino, before); // a new file took the old one's place
    EXPECT_EQ(Status(path).st_mode & 07777, 0640u);
    EXPECT_EQ(Status(path).st_uid, kNobody);

    const QString link = dir.filePath(QStringLiteral("link.INI"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(FileSaveAtomic(link, "through the link\r\n"));
    EXPECT_TRUE(S_ISLNK(Status(link).st_mode));
    EXPECT_EQ(Bytes(path), QByteArray("through the link\r\n"));

    ASSERT_TRUE(FileSaveAtomic(path, QByteArray()));
    EXPECT_EQ(Bytes(path), QByteArray());
    EXPECT_FALSE(FileSaveAtomic(dir.path(), "a folder is no file"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 2);
}

// The new bytes need more room than is left, or the rename onto the file fails:
// the old file stays whole and no part of the new one is left behind.
TEST(FileSave, FullDiskOrFailedRenameLeavesTheOldFileWhole)
{
    enum Trouble { FullDisk, RenameFails };
    for (const Trouble trouble : {FullDisk, RenameFails}) {
        SCOPED_TRACE(trouble == FullDisk ? "full disk" : "rename fails");
        SmallDisk disk;
        ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
        const QString path = disk.FilePath(QStringLiteral("Parvane2.INI"));
        const QByteArray before(3000, 'o');
        ASSERT_TRUE(Put(path, before));
        ASSERT_TRUE(trouble == FullDisk ? disk.Fill() : disk.PinFile(path));
        EXPECT_FALSE(FileSaveAtomic(path, QByteArray(5000, 'n')));
        EXPECT_FALSE(FileSaveAtomic(path, QByteArray(10, 'n')));
        EXPECT_EQ(Bytes(path), before);
        EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files).size(), trouble == FullDisk ? 2 : 1);
    }
}

// A user who may write the file but not make files in its folder still saves it,
// in place; when the disk has no room for the new bytes, nothing of the old changes.
TEST(FileSave, FileInAFolderThatTakesNoNewFileIsRewrittenInPlaceOrNotAtAll)
{
    SmallDisk disk;
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    const QString path = disk.FilePath(QStringLiteral("Parvane2.INI"));
    ASSERT_TRUE(Put(path, QByteArray(3000, 'o')));
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    const ino_t inode = Status(path).st_ino;

    EXPECT_EQ(AsNobody([&path] { return FileSaveAtomic(path, "short\r\n"); }), 0);
    EXPECT_EQ(Bytes(path), QByteArray("short\r\n"));
    EXPECT_EQ(Status(path).st_ino, inode);

    ASSERT_TRUE(disk.Fill());
    EXPECT_EQ(AsNobody([&path] { return FileSaveAtomic(path, QByteArray(20000, 'n')); }), 1);
    EXPECT_EQ(Bytes(path), QByteArray("short\r\n"));
}

// Contents made a piece at a time from the old file itself, as a long log's
// rewrite makes them: the file takes them whole, in place too where its folder
// takes no new file; a full disk, or a piece that cannot be read, changes nothing.
TEST(FileSave, ContentsMadeFromTheOldFilePieceByPieceReplaceItWholeOrNotAtAll)
{
    SmallDisk disk(1024);
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    const QString path = disk.FilePath(QStringLiteral("Parvane2.LOG"));
    QByteArray old;
    for (int i = 0; old.size() < 200 * 1024; ++i)
        old += QByteArray::number(i) + " old line\r\n";
    ASSERT_TRUE(Put(path, old));
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    const auto headOnOld = [path](bool bReadable, const QByteArray& head = "head\r\n") {
        return [path, bReadable, head](const TFileSaveSink& write) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || !write(head))
                return false;
            char block[4096];
            for (qint64 got; (got = file.read(block, sizeof block)) > 0;) {
                if (!write(QByteArrayView(block, got)))
                    return false;
            }
            return bReadable;
        };
    };

    ASSERT_TRUE(FileSaveAtomic(path, headOnOld(true)));
    EXPECT_EQ(Bytes(path), "head\r\n" + old);
    EXPECT_EQ(Status(path).st_uid, kNobody);
    const ino_t inode = Status(path).st_ino;
    EXPECT_EQ(AsNobody([&] { return FileSaveAtomic(path, headOnOld(true)); }), 0);
    EXPECT_EQ(Bytes(path), "head\r\nhead\r\n" + old);
    EXPECT_EQ(Status(path).st_ino, inode);

    const QByteArray before = Bytes(path);
    EXPECT_FALSE(FileSaveAtomic(path, headOnOld(false)));
    EXPECT_EQ(AsNobody([&] { return FileSaveAtomic(path, headOnOld(false)); }), 1);
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files).size(), 1);

    // A full disk, for the copy beside the old file and for the room taken in place.
    ASSERT_TRUE(disk.Fill());
    const QByteArray longHead(20000, 'h');
    EXPECT_FALSE(FileSaveAtomic(path, headOnOld(true, longHead)));
    EXPECT_EQ(AsNobody([&] { return FileSaveAtomic(path, headOnOld(true, longHead)); }), 1);
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files).size(), 2);
}

} // namespace
