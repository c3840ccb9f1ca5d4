// The whole program in host 1 of the test LAN, with its default settings, while
// thirty addresses of host 2 send it records as fast as a busy office does: a
// colleague in host 3 writes once a second meanwhile, and every one of the
// colleague's messages gets its receipt (and, for messages, lands in the log once).
#include "LogFile.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "RecordSender.h"
#include "TestLan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

using TestSupport::PollFor;

constexpr int kSenders = 30;
constexpr int kSeconds = 10;
constexpr int kTickMs = 20;
constexpr int kColleagueEveryMs = 1000;

const QString kChat = QStringLiteral("^チャット - Parvane 2$");

QByteArray FileBytes(const QString& sPath)
{
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The sender's address: outside every host, inside the LAN's range.
QString SenderAddress(int i)
{
    return QStringLiteral("198.18.1.%1").arg(i + 1);
}

class BurstLan : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool;
        ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
        ASSERT_TRUE(FProgram.Start("[Option]\r\nHandleName=Taro\r\nCustomizeStartVersionCheck=0\r\n"
                                   "[ChatWindow]\r\nLeft=200\r\nTop=200\r\nWidth=560\r\nHeight=330\r\n"));
        ASSERT_TRUE(FColleague.StartLoggedIn(FLan, 2, QStringLiteral("花子")));
        ASSERT_TRUE(PollFor([&] { return FColleague.Get("LoginCount") == "2"; }, 15000, 100));
    }

    // For kSeconds: iPerSecond records a second from the kSenders addresses in
    // turn, each made by record(sender, number), and a colleague's message every
    // second; the identifiers of the colleague's messages, and of those answered.
    void Burst(int iPerSecond, const std::function<QString(int, int)>& record)
    {
        const int iMidway = kSeconds * 1000 / kTickMs / 2;
        TestSupport::RecordSender sender(FLan, 1, FLan.Address(1));
        const int iPerTick = iPerSecond * kTickMs / 1000;
        int iSent = 0;
        QElapsedTimer clock;
        clock.start();
        for (int iTick = 0; iTick < kSeconds * 1000 / kTickMs; ++iTick) {
            for (int i = 0; i < iPerTick; ++i, ++iSent)
                ASSERT_TRUE(sender.Send(record(iSent % kSenders, iSent), SenderAddress(iSent % kSenders)));
            if (iTick * kTickMs % kColleagueEveryMs == kColleagueEveryMs / 2) {
                const QString sText = QStringLiteral("用件%1").arg(FSent.size());
                const QString sId =
                    FColleague.Call("MessageSend", {sText, FLan.MachineName(0), "Parvane2", "0"});
                ASSERT_FALSE(sId.isEmpty());
                FSent << sId;
                FTextOf[sId] = sText;
            }
            if (iTick == iMidway)
                Shot(QStringLiteral("burst-midway"));
            // A tick every kTickMs from the start, however long the sends took.
            const qint64 iNext = qint64(iTick + 1) * kTickMs;
            if (clock.elapsed() < iNext)
                QThread::msleep(static_cast<unsigned long>(iNext - clock.elapsed()));
        }
        ASSERT_EQ(FSent.size(), kSeconds * 1000 / kColleagueEveryMs);
        while (FAnswered.size() < FSent.size()) {
            const std::optional<QStringList> ok = FColleague.WaitEvent("OnMessageOk", 30000);
            if (!ok)
                break;
            FAnswered << ok->value(0);
        }
        FAnswered.sort();
        QStringList slSent = FSent;
        slSent.sort();
        EXPECT_EQ(FAnswered.join(u' ').toStdString(), slSent.join(u' ').toStdString());
        EXPECT_TRUE(FProgram.Running());
    }

    // The screen, to $PV_SHOT_DIR when it is set.
    void Shot(const QString& sName) const
    {
        if (!qEnvironmentVariableIsEmpty("PV_SHOT_DIR"))
            FProgram.Shot(qEnvironmentVariable("PV_SHOT_DIR") + u'/' +
                          testing::UnitTest::GetInstance()->current_test_info()->name() + u'-' + sName +
                          QStringLiteral(".png"));
    }

    QList<TLogRecord> Log() const
    {
        return LogRecordsRead(FileBytes(FProgram.FilePath(QStringLiteral("Parvane2.LOG"))));
    }

    TestLan FLan{3};
    TestSupport::ProgramCopy FProgram{FLan, 0};
    TestSupport::PeerProcess FColleague;
    QStringList FSent;
    QMap<QString, QString> FTextOf;
    QStringList FAnswered;
};

// 150 short messages a second (each address every 200 ms), each of which opens
// the pointer animation of the default settings, a notice line and a log record.
TEST_F(BurstLan, EveryColleagueMessageIsAnsweredAndLoggedOnceDuringAHundredAndFiftyMessagesASecond)
{
    const QString sProgram = FLan.Address(0);
    Burst(150, [&](int iSender, int iNumber) {
        return QStringLiteral(
                   "PVMESSAGE:MESSAGE&|%1&|Parvane2&|同報%2&|BURST%2&|%3&|Parvane2&|b%4&|お知らせ%4&|0")
            .arg(sProgram)
            .arg(iSender)
            .arg(SenderAddress(iSender))
            .arg(iNumber);
    });
    // Every message the colleague had answered is in the log, once.
    const auto count = [&](const QString& sText) {
        int iCount = 0;
        for (const TLogRecord& record : Log())
            iCount += record.sText == sText && record.sFrom == QStringLiteral("花子");
        return iCount;
    };
    ASSERT_TRUE(PollFor(
        [&] {
            for (const QString& sId : FAnswered)
                if (count(FTextOf.value(sId)) == 0)
                    return false;
            return true;
        },
        30000, 200));
    for (const QString& sId : FAnswered)
        EXPECT_EQ(count(FTextOf.value(sId)), 1) << FTextOf.value(sId).toStdString();
}

// 1,000 chat lines a second with the chat window open: each a line of the view,
// a log record and a sound asked for.
TEST_F(BurstLan, EveryColleagueMessageIsAnsweredDuringAThousandChatLinesASecond)
{
    ASSERT_TRUE(PollFor(
        [&] {
            const QString sWindow = FProgram.Focus(QStringLiteral("^Parvane 2$"));
            return !sWindow.isEmpty() && FProgram.Tool({QStringLiteral("getwindowfocus")}) == sWindow;
        },
        30000, 100));
    FProgram.Keys({QStringLiteral("alt+m"), QStringLiteral("c")});
    ASSERT_TRUE(PollFor([&] { return !FProgram.Find(kChat).isEmpty(); }, 30000, 100));
    Burst(1000, [](int iSender, int iNumber) {
        return QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|同報%1&|BURST%1&|%2&|Parvane2&|c%3&|発言 %3 です")
            .arg(iSender)
            .arg(SenderAddress(iSender))
            .arg(iNumber);
    });
}

} // namespace
