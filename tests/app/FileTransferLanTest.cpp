// Two copies of the program on a test LAN, each on an X server of its own,
// driven by the keyboard alone: one sends a file through its file send window,
// the other accepts it in its file receive window. Pictures of both windows are
// saved during the transfer and at its end, into $PARVANE_SHOTS_DIR when set.
#include "AnsiCodePage.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kFileBytes = 100LL * 1024 * 1024;
// Slow enough on the LAN that a picture can be taken while the file is on its way.
const char* const kSenderRate = "400mbit";
const QString kFileName = QStringLiteral("sample.bin");

template <class F> bool WaitFor(F&& condition, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QByteArray FileHash(const QString& sPath)
{
    QFile file(sPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

// One copy: its folder, its X server and the program.
struct Copy {
    QTemporaryDir dir;
    QProcess server;
    QProcess program;
    QString display;
    QString mainWindow;

    ~Copy()
    {
        for (QProcess* process : {&program, &server}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(3000)) {
                    process->kill();
                    process->waitForFinished(3000);
                }
            }
        }
    }

    // Runs xdotool on this copy's screen; its output, trimmed.
    QString Tool(const QStringList& args) const
    {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral("xdotool"), args);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    // The first shown window whose title matches; empty when there is none.
    QString Find(const QString& sTitle) const
    {
        return Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                     sTitle})
            .section(u'\n', 0, 0);
    }

    // A message box (its title is the program's, as the main window's), made the one that takes the keys.
    bool FocusBox() const
    {
        const QStringList windows = Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--name"), QStringLiteral("^Parvane 2$")})
                                        .split(u'\n', Qt::SkipEmptyParts);
        for (const QString& sWindow : windows) {
            if (sWindow != mainWindow) {
                Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), sWindow});
                return true;
            }
        }
        return false;
    }

    // The same window, made the one that takes the keys.
    QString Focus(const QString& sTitle) const
    {
        const QString sWindow = Find(sTitle);
        if (!sWindow.isEmpty())
            Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), sWindow});
        return sWindow;
    }

    void Keys(const QStringList& keys) const
    {
        Tool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} + keys);
    }

    bool Shot(const QString& sFile) const
    {
        QProcess grab;
        grab.start(QStringLiteral("import"), {QStringLiteral("-display"), display, QStringLiteral("-window"),
                                              QStringLiteral("root"), sFile});
        return grab.waitForFinished(15000) && grab.exitCode() == 0;
    }
};

class FileTransferLan : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "import"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        }
        ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
        FShots = qEnvironmentVariable("PARVANE_SHOTS_DIR", FShotDir.path());
        QDir().mkpath(FShots);
    }

    bool Start(Copy& copy, int iHost, const QByteArray& sHandle)
    {
        if (!copy.dir.isValid() || !QFile::copy(QStringLiteral(PARVANE2_PATH), copy.dir.filePath("parvane2")))
            return false;
        QFile ini(copy.dir.filePath(QStringLiteral("Parvane2.INI")));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[Option]\r\nHandleName=" + sHandle +
                  "\r\nCustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=10\r\nTop=10\r\nWidth=560\r\n"
                  "Height=200\r\n[FileSendWindow]\r\nLeft=120\r\nTop=250\r\n[FileRecvWindow]\r\nLeft=120\r\n"
                  "Top=250\r\n");
        ini.close();
        copy.server.start(QStringLiteral("Xvfb"),
                          {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("800x700x24")});
        if (!copy.server.waitForStarted(5000))
            return false;
        QByteArray number;
        while (!number.contains('\n') && copy.server.waitForReadyRead(10000))
            number += copy.server.readAllStandardOutput();
        if (!number.contains('\n'))
            return false;
        copy.display = u':' + QString::fromLatin1(number.trimmed());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), copy.display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), copy.dir.path());
        copy.program.setProcessEnvironment(environment);
        copy.program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FLan.PlaceProcess(copy.program, iHost);
        copy.program.start(copy.dir.filePath(QStringLiteral("parvane2")), {});
        return copy.program.waitForStarted(5000) && WaitFor(
                                                        [&] {
                                                            copy.mainWindow =
                                                                copy.Find(QStringLiteral("^Parvane 2$"));
                                                            return !copy.mainWindow.isEmpty();
                                                        },
                                                        15000);
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
    void OfferAndAccept(Copy& sender, Copy& receiver, QString& sSource)
    {
        ASSERT_TRUE(Start(sender, 0, "Alpha"));
        ASSERT_TRUE(Start(receiver, 1, "Beta"));
        ASSERT_TRUE(LimitRate(0));
        sSource = sender.dir.filePath(kFileName);
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

        // The own row sorts first, the peer's last: End selects the peer, Alt+M F opens the window.
        ASSERT_TRUE(WaitFor(
            [&] {
                sender.Focus(QStringLiteral("^Parvane 2$"));
                sender.Keys({QStringLiteral("End"), QStringLiteral("alt+m"), QStringLiteral("f")});
                return !sender.Focus(QStringLiteral("ファイル送信")).isEmpty();
            },
            20000));
        sender.Tool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), sSource});
        sender.Keys({QStringLiteral("Tab"), QStringLiteral("Tab")});
        sender.Tool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"),
                     QStringLiteral("keyboard only")});
        sender.Keys({QStringLiteral("alt+s")});

        ASSERT_TRUE(
            WaitFor([&] { return !receiver.Focus(QStringLiteral("ファイル受信")).isEmpty(); }, 15000));
        receiver.Keys({QStringLiteral("Return")});
    }

    QString Shot(const QString& sName) const { return FShots + u'/' + sName; }

    TestLan FLan{2};
    QTemporaryDir FShotDir;
    QString FShots;
};

TEST_F(FileTransferLan, AFileSentAndAcceptedByKeyboardArrivesByteIdentical)
{
    Copy sender, receiver;
    QString sSource;
    ASSERT_NO_FATAL_FAILURE(OfferAndAccept(sender, receiver, sSource));
    const QString sTarget = receiver.dir.filePath(kFileName);
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(sTarget).size() >= kFileBytes / 3; }, 20000));
    EXPECT_TRUE(sender.Shot(Shot(QStringLiteral("filesend-during.png"))));
    EXPECT_TRUE(receiver.Shot(Shot(QStringLiteral("filerecv-during.png"))));

    ASSERT_TRUE(WaitFor([&] { return !receiver.Find(QStringLiteral("ファイル受信完了")).isEmpty(); }, 60000));
    ASSERT_TRUE(WaitFor([&] { return !sender.Find(QStringLiteral("ファイル送信完了")).isEmpty(); }, 20000));
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
    EXPECT_TRUE(WaitFor([&] { return sender.Find(QStringLiteral("ファイル送信")).isEmpty(); }, 10000));
    EXPECT_TRUE(WaitFor([&] { return receiver.Find(QStringLiteral("ファイル受信")).isEmpty(); }, 10000));
}

// The receiver stops the transfer half-way: its window goes without a word and
// keeps what arrived; the sender's window tells the sender and goes once told.
TEST_F(FileTransferLan, AReceptionCancelledByKeyboardEndsBothWindows)
{
    Copy sender, receiver;
    QString sSource;
    ASSERT_NO_FATAL_FAILURE(OfferAndAccept(sender, receiver, sSource));
    const QString sTarget = receiver.dir.filePath(kFileName);
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(sTarget).size() >= kFileBytes / 4; }, 20000));
    // Its caption is the percentage by now.
    ASSERT_FALSE(receiver.Focus(QStringLiteral("受信")).isEmpty());
    receiver.Keys({QStringLiteral("alt+c")});
    ASSERT_TRUE(WaitFor([&] { return receiver.FocusBox(); }, 10000));
    receiver.Keys({QStringLiteral("alt+y")});
    EXPECT_TRUE(WaitFor([&] { return receiver.Find(QStringLiteral("受信")).isEmpty(); }, 10000));
    // The sender's warning.
    ASSERT_TRUE(WaitFor([&] { return sender.FocusBox(); }, 10000));
    QThread::msleep(300);
    EXPECT_TRUE(sender.Shot(Shot(QStringLiteral("filesend-cancelled.png"))));
    const qint64 kept = QFileInfo(sTarget).size();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, kFileBytes);
    sender.Keys({QStringLiteral("Return")});
    EXPECT_TRUE(WaitFor([&] { return sender.Find(QStringLiteral("送信")).isEmpty(); }, 10000));
}

} // namespace
