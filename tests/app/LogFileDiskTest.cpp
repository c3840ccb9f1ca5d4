// The log on a disk that fills up or where the atomic save's rename fails: the
// old log must come out whole and the failure must reach the user.
#include "../platform/SmallDisk.h"
#include "LogFile.h"
#include "LogUnit.h"
#include "MessageBox.h"
#include "OwnProcess.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QDateTime kWhen(QDate(2011, 8, 29), QTime(7, 5, 9));

QByteArray Bytes(const QString& sFileName)
{
    QFile file(sFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Some records, so the new file would need more room than a filled disk has.
QByteArray OldLog()
{
    QByteArray log;
    for (int i = 0; i < 20; ++i)
        log += LogRecordBytes(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"),
                              QStringLiteral("古いメッセージ %1").arg(i), kWhen);
    return log;
}

enum Trouble { FullDisk, RenameFails };

void PrependLeavesTheOldLogWholeAndFails(Trouble trouble)
{
    SmallDisk disk;
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    const QString path = disk.FilePath(QStringLiteral("Parvane2.LOG"));
    const QByteArray before = OldLog();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(before), before.size());
    }
    ASSERT_TRUE(trouble == FullDisk ? disk.Fill() : disk.PinFile(path));
    const QByteArray record = LogRecordBytes(LogKindMessageSend, QStringLiteral("太郎"),
                                             QStringLiteral("花子"), QStringLiteral("新しい"), kWhen);
    EXPECT_FALSE(LogFilePrepend(path, record));
    EXPECT_EQ(Bytes(path), before);
    // The save's temporary file is gone again: only the log (and the filler) stay.
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files).size(), trouble == FullDisk ? 2 : 1);
}

// A log of several copy blocks on a disk with room for only part of its new
// copy: the disk runs out in the middle of the old lines, not at the first byte.
TEST(LogFileDisk, DiskFullHalfwayThroughTheOldLogLeavesItWholeAndFails)
{
    SmallDisk disk(512);
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    const QString path = disk.FilePath(QStringLiteral("Parvane2.LOG"));
    QByteArray before;
    for (int i = 0; before.size() < 5 * LogCopyBlockBytes; ++i)
        before += LogRecordBytes(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"),
                                 QStringLiteral("古いメッセージ %1").arg(i), kWhen);
    // LF ends, so the copy is longer than the old log, as when it was carried over.
    before.replace("\r\n", "\n");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(before), before.size());
    }
    const QByteArray record = LogRecordBytes(LogKindMessageSend, QStringLiteral("太郎"),
                                             QStringLiteral("花子"), QStringLiteral("新しい"), kWhen);
    EXPECT_FALSE(LogFilePrepend(path, record));
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files).size(), 1);
}

// The small disk is seen by the thread that mounts it and by the threads it makes
// after: the log writer's thread must be made in here, so the test runs alone in
// a process of its own (an earlier test of the same process may have made it).
void FailedLogWriteTellsTheUserOnce(Trouble trouble)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcess());
        return;
    }
    SmallDisk disk;
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    struct Restore {
        QString sProgramDirectory = ProgramDirectory;
        QString sFileBaseName = FileBaseName;
        ~Restore()
        {
            ProgramDirectory = sProgramDirectory;
            FileBaseName = sFileBaseName;
        }
    } restore;
    ProgramDirectory = ProgramDirectoryOf(disk.Path());
    FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");
    const QByteArray before = OldLog();
    {
        QFile file(LogFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(before), before.size());
    }
    ASSERT_TRUE(trouble == FullDisk ? disk.Fill() : disk.PinFile(LogFileName()));
    std::vector<MessageBox::Request> boxes;
    MessageBox::SetAnswerer([&boxes](const MessageBox::Request& request) {
        boxes.push_back(request);
        return MessageBox::IDOK;
    });
    LogWrite(LogKindMessageSend, QStringLiteral("太郎"), QStringLiteral("花子"), QStringLiteral("新しい"));
    LogWriteWait();
    MessageBox::SetAnswerer({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].sText.startsWith(QStringLiteral("ログを保存中にエラーが発生しました。")));
    EXPECT_EQ(boxes[0].iFlags, MessageBox::MB_ICONWARNING);
    EXPECT_EQ(Bytes(LogFileName()), before);
}

TEST(LogFileDisk, FailedRenameDuringThePrependLeavesTheOldLogWholeAndFails)
{
    PrependLeavesTheOldLogWholeAndFails(RenameFails);
}

TEST(LogFileDisk, FailedRenameIsToldToTheUserOnce)
{
    FailedLogWriteTellsTheUserOnce(RenameFails);
}

TEST(LogFileDisk, FullDiskDuringThePrependLeavesTheOldLogWholeAndFails)
{
    PrependLeavesTheOldLogWholeAndFails(FullDisk);
}

TEST(LogFileDisk, FullDiskIsToldToTheUserOnce)
{
    FailedLogWriteTellsTheUserOnce(FullDisk);
}

} // namespace
