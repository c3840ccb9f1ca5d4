#include "LogWriter.h"

#include "LogFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace {

const QDateTime kWhen(QDate(2011, 8, 29), QTime(7, 5, 9));

class LogWriterTest : public testing::Test {
protected:
    QString Path() const { return FDir.filePath(QStringLiteral("Parvane2.LOG")); }
    static QByteArray Record(const QString& sText)
    {
        return LogRecordBytes(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), sText,
                              kWhen);
    }
    QList<TLogRecord> Records() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? LogRecordsRead(file.readAll()) : QList<TLogRecord>();
    }
    static QStringList Texts(const QList<TLogRecord>& records)
    {
        QStringList texts;
        for (const TLogRecord& record : records)
            texts << record.sText;
        return texts;
    }
    void Store(const QByteArray& bytes) const
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir FDir;
    std::vector<int> FLost;
};

// Records that arrive faster than a long log is rewritten wait and go in
// together; all of them land, the last one on top, above what the file held.
TEST_F(LogWriterTest, ABurstOfRecordsAllLandNewestFirstInOrder)
{
    QByteArray old;
    for (int i = 0; i < 2000; ++i)
        old += Record(QStringLiteral("old %1").arg(i));
    Store(old);
    TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
        writer.Add(Path(), Record(QStringLiteral("new %1").arg(i)));
        expected.prepend(QStringLiteral("new %1").arg(i));
    }
    writer.Wait();
    for (int i = 0; i < 2000; ++i)
        expected << QStringLiteral("old %1").arg(i);
    EXPECT_EQ(Texts(Records()), expected);
    EXPECT_TRUE(FLost.empty());
}

TEST_F(LogWriterTest, RecordsThatCannotBeWrittenAreToldOnceEachAndTheFileStays)
{
    Store("old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0444), 0);
    TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
    for (int i = 0; i < 3; ++i)
        writer.Add(Path(), Record(QString::number(i)));
    writer.Wait();
    int lost = 0;
    for (int n : FLost)
        lost += n;
    EXPECT_EQ(lost, 3);
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old\r\n"));
    file.close();

    // Once the file can be written again, the next records land and nothing more is told.
    FLost.clear();
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0644), 0);
    writer.Add(Path(), Record(QStringLiteral("a")));
    writer.Add(Path(), Record(QStringLiteral("b")));
    writer.Wait();
    EXPECT_TRUE(FLost.empty());
    EXPECT_EQ(Texts(Records()).mid(0, 2), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
}

// Without a wait, the loss reaches the program's thread through its event loop, once.
TEST_F(LogWriterTest, ALossIsToldByTheEventLoopWithoutAWait)
{
    Store("old\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0444), 0);
    TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
    writer.Add(Path(), Record(QStringLiteral("x")));
    const QDeadlineTimer deadline(10000);
    while (FLost.empty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(FLost, std::vector<int>{1});
    writer.Wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(FLost, std::vector<int>{1});
}

// The program's end waits for what is still on its way to the file.
TEST_F(LogWriterTest, AWriterThatEndsWritesWhatIsWaiting)
{
    {
        TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
        for (int i = 0; i < 50; ++i)
            writer.Add(Path(), Record(QString::number(i)));
    }
    EXPECT_EQ(Records().size(), 50);
    EXPECT_EQ(Records().front().sText, QStringLiteral("49"));
}

// A record for another file (the base name changed) keeps its place in the order.
TEST_F(LogWriterTest, RecordsForTwoFilesEachLandInTheirOwn)
{
    const QString other = FDir.filePath(QStringLiteral("Other.LOG"));
    TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
    writer.Add(Path(), Record(QStringLiteral("1")));
    writer.Add(other, Record(QStringLiteral("2")));
    writer.Add(Path(), Record(QStringLiteral("3")));
    writer.Wait();
    EXPECT_EQ(Texts(Records()), QStringList({QStringLiteral("3"), QStringLiteral("1")}));
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(Texts(LogRecordsRead(file.readAll())), QStringList{QStringLiteral("2")});
}

} // namespace
