// Two copies of the program on a test LAN, each on an X server of its own,
// driven by the keyboard alone: one sends a file through its file send window,
// the other accepts it in its file receive window. Pictures of both windows are
// saved during the transfer and at its end, into $PARVANE_SHOTS_DIR when set.
#include "AnsiCodePage.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/types.h>

namespace {

constexpr qint64 kFileBytes = 100LL * 1024 * 1024;
// Slow enough on the LAN that a picture can be taken while the file is on its way.
const char* const kSenderRate = "400mbit";
const QString kFileName = QStringLiteral("sample.bin");

QByteArray FileHash(const QString& sPath)
{
    QFile file(sPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

using TestSupport::PollFor;
using TestSupport::ProgramCopy;

// A copy of the program stopped where it stands, and going on again at the end of the scope.
class SenderHeld {
public:
    explicit SenderHeld(qint64 iProcess) : FProcess(pid_t(iProcess))
    {
        FHeld = FProcess > 0 && kill(FProcess, SIGSTOP) == 0;
    }
    ~SenderHeld()
    {
        if (FHeld)
            kill(FProcess, SIGCONT);
    }
    SenderHeld(const SenderHeld&) = delete;
    SenderHeld& operator=(const SenderHeld&) = delete;
    bool IsHeld() const { return FHeld; }

private:
    pid_t FProcess;
    bool FHeld = false;
};

// The settings of both copies: the file windows open below the main window.
QByteArray Settings(const QByteArray& sHandle)
{
    return "[Option]\r\nHandleName=" + sHandle +
           "\r\nCustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=10\r\nTop=10\r\nWidth=560\r\n"
           "Height=200\r\n[FileSendWindow]\r\nLeft=120\r\nTop=250\r\n[FileRecvWindow]\r\nLeft=120\r\n"
           "Top=250\r\n";
}

class FileTransferLan : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                << tool << " is not installed";
        ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
        FShots = qEnvironmentVariable("PARVANE_SHOTS_DIR", FShotDir.path());
        QDir().mkpath(FShots);
    }

    // The sender's traffic is held to a rate, inside its host only.
    bool LimitRate(int iHost)
    {
        QProcess tc;
        tc.start(QStringLiteral("ip"),
                 {QStringLiteral("netns"), QStringLiteral("exec"), FLan.NamespaceName(iHost),
                  QStringLiteral("tc"), QStringLiteral("qdisc"), QStringLiteral("add"), QStringLiteral("dev"),
                  QStringLiteral("eth0"), QStringLiteral("root"), QStringLiteral("tbf"),
                  QStringLiteral("rate"), QString::fromLatin1(kSenderRate), QStringLiteral("burst"),
                  QStringLiteral("256kb"), QStringLiteral("latency"), QStringLiteral("100ms")});
        return tc.waitForFinished(5000) && tc.exitCode() == 0;
    }

    // Both copies up, the sender's file written, offered by the keyboard from the
    // sender's file send window and accepted in the receiver's file receive window.
    void OfferAndAccept(ProgramCopy& sender, ProgramCopy& receiver, QString& sSource)
    {
        ASSERT_TRUE(sender.Start(Settings("Alpha")));
        ASSERT_TRUE(receiver.Start(Settings("Beta")));
        ASSERT_TRUE(LimitRate(0));
        sSource = sender.FilePath(kFileName);
        {
            QFile file(sSource);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            QByteArray block(1024 * 1024, Qt::Uninitialized);
            for (qint64 done = 0; done < kFileBytes; done += block.size()) {
                QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                                      block.size() / 4);
                ASSERT_EQ(file.write(block), block.size());
            }
        }

        // The own row sorts first, the peer's last: End selects the peer, Alt+M F opens the
        // window. Until the peer is listed the command does nothing, so it is pressed again;
        // only once the window it opens would long have come, or it would open a second.
        ASSERT_TRUE(PollFor(
            [&] {
                sender.Focus(QStringLiteral("^Parvane 2$"));
                sender.Keys({QStringLiteral("End"), QStringLiteral("alt+m"), QStringLiteral("f")});
                return PollFor([&] { return !sender.Find(QStringLiteral("ファイル送信")).isEmpty(); }, 5000,
                               100);
            },
            60000));
        ASSERT_FALSE(sender.Focus(QStringLiteral("ファイル送信")).isEmpty());
        sender.Type(sSource, 5);
        sender.Keys({QStringLiteral("Tab"), QStringLiteral("Tab")});
        sender.Type(QStringLiteral("keyboard only"), 5);
        sender.Keys({QStringLiteral("alt+s")});

        ASSERT_TRUE(
            PollFor([&] { return !receiver.Focus(QStringLiteral("ファイル受信")).isEmpty(); }, 30000));
        // Return in the path accepts nothing; the button's access key does.
        receiver.Keys({QStringLiteral("Return")});
        receiver.Keys({QStringLiteral("alt+r")});
    }

    QString Shot(const QString& sName) const { return FShots + u'/' + sName; }

    TestLan FLan{2};
    QTemporaryDir FShotDir;
    QString FShots;
};

TEST_F(FileTransferLan, AFileSentAndAcceptedByKeyboardArrivesByteIdentical)
{
    ProgramCopy sender(FLan, 0), receiver(FLan, 1);
    QString sSource;
    ASSERT_NO_FATAL_FAILURE(OfferAndAccept(sender, receiver, sSource));
    const QString sTarget = receiver.FilePath(kFileName);
    ASSERT_TRUE(PollFor([&] { return QFileInfo(sTarget).size() >= kFileBytes / 3; }, 20000));
    EXPECT_TRUE(sender.Shot(Shot(QStringLiteral("filesend-during.png"))));
    EXPECT_TRUE(receiver.Shot(Shot(QStringLiteral("filerecv-during.png"))));

    ASSERT_TRUE(PollFor([&] { return !receiver.Find(QStringLiteral("ファイル受信完了")).isEmpty(); }, 60000));
    ASSERT_TRUE(PollFor([&] { return !sender.Find(QStringLiteral("ファイル送信完了")).isEmpty(); }, 20000));
    QThread::msleep(500);
    EXPECT_TRUE(sender.Shot(Shot(QStringLiteral("filesend-done.png"))));
    EXPECT_TRUE(receiver.Shot(Shot(QStringLiteral("filerecv-done.png"))));

    EXPECT_EQ(QFileInfo(sTarget).size(), kFileBytes);
    EXPECT_EQ(FileHash(sTarget), FileHash(sSource));
    // Each box is dismissed with Return, and its window goes with it.
    ASSERT_TRUE(sender.FocusBox());
    sender.Keys({QStringLiteral("Return")});
    ASSERT_TRUE(receiver.FocusBox());
    receiver.Keys({QStringLiteral("Return")});
    EXPECT_TRUE(PollFor([&] { return sender.Find(QStringLiteral("ファイル送信")).isEmpty(); }, 10000));
    EXPECT_TRUE(PollFor([&] { return receiver.Find(QStringLiteral("ファイル受信")).isEmpty(); }, 10000));
}

// The receiver stops the transfer half-way: its window goes without a word and
// keeps what arrived; the sender's window tells the sender and goes once told.
TEST_F(FileTransferLan, AReceptionCancelledByKeyboardEndsBothWindows)
{
    ProgramCopy sender(FLan, 0), receiver(FLan, 1);
    QString sSource;
    ASSERT_NO_FATAL_FAILURE(OfferAndAccept(sender, receiver, sSource));
    const QString sTarget = receiver.FilePath(kFileName);
    ASSERT_TRUE(PollFor([&] { return QFileInfo(sTarget).size() >= kFileBytes / 4; }, 20000));
    {
        // The rest of the file would come in a second or two, sooner than a loaded
        // machine presses the keys: the sender stands still until the receiver has
        // cancelled, so the cancel always meets a transfer under way.
        const SenderHeld held(sender.ProcessId());
        ASSERT_TRUE(held.IsHeld());
        // Its caption is the percentage by now.
        ASSERT_FALSE(receiver.Focus(QStringLiteral("受信")).isEmpty());
        receiver.Keys({QStringLiteral("alt+c")});
        ASSERT_TRUE(PollFor([&] { return receiver.FocusBox(); }, 10000));
        receiver.Keys({QStringLiteral("alt+y")});
        EXPECT_TRUE(PollFor([&] { return receiver.Find(QStringLiteral("受信")).isEmpty(); }, 10000));
    }
    // The sender's warning.
    ASSERT_TRUE(PollFor([&] { return sender.FocusBox(); }, 10000));
    QThread::msleep(300);
    EXPECT_TRUE(sender.Shot(Shot(QStringLiteral("filesend-cancelled.png"))));
    const qint64 kept = QFileInfo(sTarget).size();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, kFileBytes);
    sender.Keys({QStringLiteral("Return")});
    EXPECT_TRUE(PollFor([&] { return sender.Find(QStringLiteral("送信")).isEmpty(); }, 10000));
}

} // namespace
