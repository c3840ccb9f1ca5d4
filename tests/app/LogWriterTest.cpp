#include "LogWriter.h"

#include "AnsiCodePage.h"
#include "LogFile.h"
#include "OwnProcess.h"
#include "PeakMemory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
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

QByteArray Cp932(const char* utf8)
{
    return AnsiCodePage::Encode(QString::fromUtf8(utf8));
}

// Records that waited together go into the file as one record after another
// would have: each old line, whatever its end, with CR LF below them, and the
// bytes of every line kept. The old log is copied block by block, so line ends
// and two-byte characters on a block's edge are cases of their own.
TEST_F(LogWriterTest, RecordsThatWaitedTogetherLandAsIfWrittenOneByOne)
{
    const qsizetype block = LogCopyBlockBytes;
    const QByteArray x(block - 1, 'x');
    const struct {
        const char* sCase;
        bool bExists;
        QByteArray old;
        QByteArray kept;
    } cases[] = {
        {"no log", false, "", ""},
        {"empty log", true, "", ""},
        {"LF ends", true, "a\nb\n\n", "a\r\nb\r\n\r\n"},
        {"mixed ends", true, "a\r\nb\nc\rd\r\r\n\n\re", "a\r\nb\r\nc\r\nd\r\n\r\n\r\n\r\ne\r\n"},
        {"no final line end", true, "a\r\nb", "a\r\nb\r\n"},
        {"a CR last", true, "a\r", "a\r\n"},
        {"CR LF split by the block's edge", true, x + "\r\nb\n", x + "\r\nb\r\n"},
        {"a lone CR on the block's edge", true, x + "\rb", x + "\r\nb\r\n"},
        {"a CR last, on the block's edge", true, x + "\r", x + "\r\n"},
        {"an LF first in a block", true, x + "y\nb", x + "y\r\nb\r\n"},
        {"blocks without a line end", true, QByteArray(2 * block + 7, 'z'),
         QByteArray(2 * block + 7, 'z') + "\r\n"},
        // 表 and ソ have the trail byte 0x5C; no trail byte is ever a CR or LF.
        {"two-byte characters across the block's edge", true, x + Cp932("表ソ漢字\n") + Cp932("表\r"),
         x + Cp932("表ソ漢字\r\n表\r\n")},
        {"bytes that are no text", true, x + "\xff\x80\x81\r\xfd", x + "\xff\x80\x81\r\n\xfd\r\n"},
    };
    const QByteArray records[] = {Record(QStringLiteral("一")), Record(QStringLiteral("二\n三")),
                                  Record(QStringLiteral("四"))};
    const QByteArray added = records[2] + records[1] + records[0];
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sCase);
        const auto fresh = [this, &c] {
            QFile::remove(Path());
            if (c.bExists)
                Store(c.old);
        };
        const auto contents = [this] {
            QFile file(Path());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
        };

        fresh();
        for (const QByteArray& record : records)
            ASSERT_TRUE(LogFilePrepend(Path(), record));
        EXPECT_EQ(contents(), added + c.kept) << "one by one";

        fresh();
        ASSERT_TRUE(LogFilePrepend(Path(), added));
        EXPECT_EQ(contents(), added + c.kept) << "in one rewrite";

        fresh();
        {
            TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
            for (const QByteArray& record : records)
                writer.Add(Path(), record);
            writer.Wait();
        }
        EXPECT_EQ(contents(), added + c.kept) << "by the writer";
    }
    EXPECT_TRUE(FLost.empty());
}

// A long log costs the writer no more memory than a short one: the old file
// goes through a small buffer on its way to the new one, never whole. The old
// log has LF ends, so every line of it is rewritten on the way.
TEST_F(LogWriterTest, ALongLogIsRewrittenWithoutItsSizeInMemory)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcess());
        return;
    }
    constexpr qint64 kLogBytes = 100'000'000;
    // Far below the log, far above a copy buffer and what a process's heap moves by.
    constexpr qint64 kGrowthKiB = 16 * 1024;
    QByteArray piece;
    for (int i = 0; piece.size() < 60'000; ++i)
        piece += Record(QStringLiteral("古いメッセージ %1\n二行目").arg(i));
    QByteArray pieceAsWritten = piece;
    piece.replace("\r\n", "\n");
    qint64 pieces = 0;
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (; pieces * piece.size() < kLogBytes; ++pieces)
            ASSERT_EQ(file.write(piece), piece.size());
    }
    // The peak so far may lie above what the process holds now.
    const qint64 before =
        std::max(TestSupport::ProcessMemoryKiB("VmRSS"), TestSupport::ProcessMemoryKiB("VmHWM"));
    ASSERT_GT(before, 0);
    QByteArray added;
    {
        TLogWriter writer([this](int iLost) { FLost.push_back(iLost); });
        for (int i = 0; i < 5; ++i) {
            const QByteArray record = Record(QStringLiteral("new %1").arg(i));
            writer.Add(Path(), record);
            added.prepend(record);
        }
        writer.Wait();
    }
    EXPECT_LT(TestSupport::ProcessMemoryKiB("VmHWM"), before + kGrowthKiB);
    EXPECT_TRUE(FLost.empty());

    // The file, read piece by piece: the new records, then every old line with CR LF.
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_EQ(file.size(), added.size() + pieces * pieceAsWritten.size());
    EXPECT_EQ(file.read(added.size()), added);
    for (qint64 i = 0; i < pieces; ++i)
        ASSERT_EQ(file.read(pieceAsWritten.size()), pieceAsWritten) << "piece " << i;
}

} // namespace
