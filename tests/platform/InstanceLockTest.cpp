#include "InstanceLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class InstanceLockTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        InstanceLock::SetLockDirectoryForTest(FDir.path());
    }
    void TearDown() override { InstanceLock::SetLockDirectoryForTest(QString()); }

    QTemporaryDir FDir;
};

TEST_F(InstanceLockTest, SecondHolderOfTheSameNameIsRefused)
{
    InstanceLock first;
    InstanceLock second;
    ASSERT_EQ(first.Acquire(QStringLiteral("Parvane 2<51001:52001>")), InstanceLock::Acquired);
    EXPECT_EQ(second.Acquire(QStringLiteral("Parvane 2<51001:52001>")), InstanceLock::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(QFile::exists(FDir.path() + QStringLiteral("/Parvane 2<51001:52001>.lock")));
}

TEST_F(InstanceLockTest, AnotherNameIsFree)
{
    InstanceLock first;
    InstanceLock second;
    ASSERT_EQ(first.Acquire(QStringLiteral("Parvane 2")), InstanceLock::Acquired);
    EXPECT_EQ(second.Acquire(QStringLiteral("Parvane 2<51000:52000>")), InstanceLock::Acquired);
}

TEST_F(InstanceLockTest, ReleasedNameCanBeTakenAgain)
{
    InstanceLock second;
    {
        InstanceLock first;
        ASSERT_EQ(first.Acquire(QStringLiteral("Parvane 2")), InstanceLock::Acquired);
        ASSERT_EQ(second.Acquire(QStringLiteral("Parvane 2")), InstanceLock::HeldElsewhere);
    }
    EXPECT_EQ(second.Acquire(QStringLiteral("Parvane 2")), InstanceLock::Acquired);
}

// A holder that is killed leaves its lock file behind, but not its lock.
TEST_F(InstanceLockTest, KilledHolderFreesTheName)
{
    const QString sPath = InstanceLock::LockFilePath(QStringLiteral("Parvane 2"));
    QProcess holder;
    // The shell locks the file on a descriptor of its own and says so once the flock
    // tool has ended, so from then on the one holder is the process that is killed.
    holder.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("exec 9>\"$0\"; flock 9; echo locked; exec sleep 60"), sPath});
    ASSERT_TRUE(holder.waitForStarted(5000));
    ASSERT_TRUE(holder.waitForReadyRead(5000)) << "the flock tool of util-linux is needed";
    ASSERT_EQ(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));
    InstanceLock mine;
    ASSERT_EQ(mine.Acquire(QStringLiteral("Parvane 2")), InstanceLock::HeldElsewhere);
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(5000));
    EXPECT_TRUE(QFile::exists(sPath));
    EXPECT_EQ(mine.Acquire(QStringLiteral("Parvane 2")), InstanceLock::Acquired);
}

TEST_F(InstanceLockTest, MissingFolderRunsWithoutTheGuard)
{
    InstanceLock::SetLockDirectoryForTest(FDir.path() + QStringLiteral("/missing"));
    InstanceLock lock;
    EXPECT_EQ(lock.Acquire(QStringLiteral("Parvane 2")), InstanceLock::Unavailable);
}

} // namespace
