// A whole copy of the program on a test LAN whose log has grown long over the
// years: messages that come in at a steady pace are all logged, newest first,
// and the program's memory does not take the log's size at any moment.
#include "LogFile.h"
#include "PeakMemory.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using TestSupport::PollFor;

constexpr qint64 kLogBytes = 100'000'000;
constexpr int kMessages = 100;
// Five a second for twenty seconds: a busy office, faster than one rewrite of a long log.
constexpr int kGapMs = 200;
// The program itself with its windows, far below the log it writes to.
constexpr qint64 kPeakKiB = 120 * 1024;

QString Text(int i)
{
    return QStringLiteral("メッセージ %1").arg(i);
}

// The records at the top of the log, read no further than the new ones can reach.
QList<TLogRecord> TopRecords(const QString& sFileName)
{
    QFile file(sFileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return LogRecordsRead(file.read(256 * 1024));
}

TEST(LogLan, MessagesToALongLogAreAllLoggedWithoutTheLogInMemory)
{
    for (const char* tool : {"Xvfb", "xdotool"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool;
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    TestSupport::ProgramCopy copy(lan, 0);
    const QString sLog = copy.FilePath(QStringLiteral("Parvane2.LOG"));
    {
        QByteArray piece;
        for (int i = 0; piece.size() < 1'000'000; ++i)
            piece += LogRecordBytes(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"),
                                    QStringLiteral("古いメッセージ %1").arg(i), QDateTime::currentDateTime());
        QFile file(sLog);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (qint64 bytes = 0; bytes < kLogBytes; bytes += piece.size())
            ASSERT_EQ(file.write(piece), piece.size());
    }
    ASSERT_TRUE(copy.Start("[Option]\r\nHandleName=Alpha\r\nCustomizeStartVersionCheck=0\r\n"));
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(lan, 1, QStringLiteral("Peer")));
    std::optional<QStringList> login;
    while ((login = peer.WaitEvent(QStringLiteral("OnLogin"))) &&
           login->value(0) != QStringLiteral("Alpha")) {
    }
    ASSERT_TRUE(login.has_value());

    // The pace is the load the test makes, not a wait for the program.
    QElapsedTimer pace;
    pace.start();
    for (int i = 0; i < kMessages; ++i) {
        const qint64 due = static_cast<qint64>(i) * kGapMs;
        if (pace.elapsed() < due)
            QThread::msleep(static_cast<unsigned long>(due - pace.elapsed()));
        ASSERT_NE(peer.Call(QStringLiteral("MessageSend"),
                            {Text(i), lan.Address(0), QStringLiteral("Parvane2"), QStringLiteral("0")}),
                  QString());
        ASSERT_TRUE(peer.WaitEvent(QStringLiteral("OnMessageOk")).has_value()) << i;
    }
    ASSERT_TRUE(PollFor(
        [&] {
            const QList<TLogRecord> top = TopRecords(sLog);
            return !top.isEmpty() && top.front().sText == Text(kMessages - 1);
        },
        60000, 200));
    const qint64 peakKiB = TestSupport::ProcessMemoryKiB("VmHWM", static_cast<pid_t>(copy.ProcessId()));
    ASSERT_GT(peakKiB, 0);
    RecordProperty("PeakMemoryKiB", static_cast<int>(peakKiB));
    EXPECT_LT(peakKiB, kPeakKiB);

    const QList<TLogRecord> top = TopRecords(sLog);
    ASSERT_GT(top.size(), kMessages);
    for (int i = 0; i < kMessages; ++i) {
        EXPECT_EQ(top[i].sText, Text(kMessages - 1 - i));
        EXPECT_EQ(top[i].sFrom, QStringLiteral("Peer"));
    }
    EXPECT_EQ(top[kMessages].sText, QStringLiteral("古いメッセージ 0"));
    EXPECT_GT(QFile(sLog).size(), kLogBytes);
}

} // namespace
