// The road of one message between two program copies on a test LAN, each on an
// X server of its own, driven by the keyboard alone: hot keys, menus, access
// keys and Return. The set PARVANE_SHOTS names a folder for the screenshots.
#include "AnsiCodePage.h"
#include "LogFile.h"
#include "TestLan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const char* const kHandles[] = {"太郎", "花子"};

// One copy of the program in host i: its folder, its X server and the program.
class TCopy {
public:
    TCopy(TestLan& lan, int i) : FLan(lan), FHost(i) {}
    ~TCopy()
    {
        for (QProcess* process : {&FProgram, &FServer}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    bool Start(const QByteArray& ini)
    {
        if (!FDir.isValid())
            return false;
        FLan.PlaceProcess(FServer, FHost);
        FServer.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                       QStringLiteral("tcp")});
        QElapsedTimer timer;
        timer.start();
        QByteArray number;
        while (!number.contains('\n') && timer.elapsed() < 10000) {
            FServer.waitForReadyRead(200);
            number += FServer.readAllStandardOutput();
        }
        if (!number.contains('\n'))
            return false;
        FDisplay = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

        const QString sProgram = FDir.filePath(QStringLiteral("parvane2"));
        if (!QFile::copy(QStringLiteral(PARVANE2_PATH), sProgram))
            return false;
        QFile file(FDir.filePath(QStringLiteral("Parvane2.INI")));
        if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size())
            return false;
        file.close();
        FProgram.setProcessEnvironment(Environment());
        FLan.PlaceProcess(FProgram, FHost);
        FProgram.setProcessChannelMode(QProcess::ForwardedChannels);
        FProgram.start(sProgram, {});
        return FProgram.waitForStarted(10000);
    }

    // Runs an X client of this copy's display; true when it ended with 0.
    bool Client(const QString& sProgram, const QStringList& args, QByteArray* output = nullptr)
    {
        QProcess process;
        process.setProcessEnvironment(Environment());
        FLan.PlaceProcess(process, FHost);
        process.start(sProgram, args);
        if (!process.waitForFinished(20000))
            return false;
        if (output != nullptr)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    bool Keys(const QStringList& keys)
    {
        QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("120")};
        return Client(QStringLiteral("xdotool"), args + keys);
    }
    bool Type(const QString& sText)
    {
        return Client(QStringLiteral("xdotool"),
                      {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"), sText});
    }
    // Whether a mapped window has this title.
    bool Shows(const QString& sTitle)
    {
        QByteArray ids;
        return Client(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                       QStringLiteral("^") + QRegularExpression::escape(sTitle)},
                      &ids) &&
               !ids.trimmed().isEmpty();
    }
    template <class F> bool WaitFor(F&& condition, int iTimeoutMs = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > iTimeoutMs)
                return false;
            QThread::msleep(200);
        }
        return true;
    }
    bool WaitShows(const QString& sTitle, int iTimeoutMs = 15000)
    {
        return WaitFor([&] { return Shows(sTitle); }, iTimeoutMs);
    }
    bool WaitGone(const QString& sTitle, int iTimeoutMs = 15000)
    {
        return WaitFor([&] { return !Shows(sTitle); }, iTimeoutMs);
    }

    void Shot(const QString& sName)
    {
        const QString sFolder = qEnvironmentVariable("PARVANE_SHOTS");
        if (sFolder.isEmpty())
            return;
        QDir().mkpath(sFolder);
        Client(QStringLiteral(LANSHOTS_PATH),
               {QStringLiteral("grab"), QDir(sFolder).filePath(sName + QStringLiteral(".png"))});
    }

    QList<TLogRecord> Log() const
    {
        QFile file(FDir.filePath(QStringLiteral("Parvane2.LOG")));
        return file.open(QIODevice::ReadOnly) ? LogRecordsRead(file.readAll()) : QList<TLogRecord>();
    }

    bool Running() const { return FProgram.state() == QProcess::Running; }

private:
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), FDisplay);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), FDir.path());
        return environment;
    }

    TestLan& FLan;
    int FHost;
    QTemporaryDir FDir;
    QProcess FServer;
    QProcess FProgram;
    QString FDisplay;
};

QByteArray Ini(int i)
{
    return AnsiCodePage::Encode(
        QStringLiteral("[Option]\r\nHandleName=%1\r\nCustomizeStartVersionCheck=0\r\n"
                       "[MainWindow]\r\nLeft=20\r\nTop=20\r\nWidth=500\r\nHeight=260\r\n")
            .arg(QString::fromUtf8(kHandles[i])));
}

const QString kNotice = QStringLiteral("Parvane 2 - Notice -");
const QString kSend = QStringLiteral("メッセージ送信 - Parvane 2");
const QString kRecv = QStringLiteral("受信メッセージ - Parvane 2");

TEST(MessageRoadTest, MessageAndLetterTravelByKeyboardAlone)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs Xvfb and xdotool";
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    TCopy taro(lan, 0);
    TCopy hanako(lan, 1);
    // 太郎 first, so that his own row is the first of his table and of the hot-key menu.
    ASSERT_TRUE(taro.Start(Ini(0)));
    ASSERT_TRUE(taro.WaitShows(QStringLiteral("Parvane 2")));
    QThread::msleep(1500);
    ASSERT_TRUE(hanako.Start(Ini(1)));
    // Each announces the other's log-in; the notices go by themselves.
    ASSERT_TRUE(taro.WaitShows(kNotice));
    taro.Shot(QStringLiteral("road-1-login-notice"));
    ASSERT_TRUE(taro.WaitGone(kNotice));
    ASSERT_TRUE(hanako.WaitGone(kNotice));

    // 太郎 writes to 花子: the send hot key, the second user of its menu, the text, Alt+S.
    ASSERT_TRUE(taro.Keys({QStringLiteral("ctrl+alt+s")}));
    QThread::msleep(1000);
    ASSERT_TRUE(taro.Keys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")}));
    ASSERT_TRUE(taro.WaitShows(kSend));
    ASSERT_TRUE(taro.Type(QStringLiteral("Hello")));
    ASSERT_TRUE(taro.Keys({QStringLiteral("Return")}));
    ASSERT_TRUE(taro.Type(QStringLiteral("world")));
    taro.Shot(QStringLiteral("road-2-send-window"));
    ASSERT_TRUE(taro.Keys({QStringLiteral("alt+s")}));
    ASSERT_TRUE(taro.WaitGone(kSend));

    // It waits in 花子's queue, announced by a notice, and logged.
    ASSERT_TRUE(hanako.WaitShows(kNotice));
    hanako.Shot(QStringLiteral("road-3-arrival-notice"));
    const QList<TLogRecord> received = hanako.Log();
    ASSERT_FALSE(received.isEmpty());
    EXPECT_EQ(received[0].sFrom, QString::fromUtf8(kHandles[0]));
    EXPECT_EQ(received[0].sText, QStringLiteral("Hello\r\nworld"));
    const QList<TLogRecord> sent = taro.Log();
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent[0].sTo, QString::fromUtf8(kHandles[1]));
    EXPECT_EQ(sent[0].sText, QStringLiteral("Hello\r\nworld"));
    ASSERT_TRUE(hanako.WaitGone(kNotice));
    EXPECT_FALSE(taro.Shows(kNotice));

    // Ctrl+Alt+R shows it and sends the read notice, which 太郎's notice announces.
    ASSERT_TRUE(hanako.Keys({QStringLiteral("ctrl+alt+r")}));
    ASSERT_TRUE(hanako.WaitShows(kRecv));
    ASSERT_TRUE(taro.WaitShows(kNotice));
    hanako.Shot(QStringLiteral("road-4-receive-window"));
    taro.Shot(QStringLiteral("road-5-opened-notice"));
    // Alt+C closes the receive window.
    ASSERT_TRUE(hanako.Keys({QStringLiteral("alt+c")}));
    ASSERT_TRUE(hanako.WaitGone(kRecv));
    ASSERT_TRUE(taro.WaitGone(kNotice));

    // A letter: the same road with Alt+L; it stays sealed, and unread, until it is opened.
    ASSERT_TRUE(taro.Keys({QStringLiteral("ctrl+alt+s")}));
    QThread::msleep(1000);
    ASSERT_TRUE(taro.Keys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")}));
    ASSERT_TRUE(taro.WaitShows(kSend));
    ASSERT_TRUE(taro.Type(QStringLiteral("sealed")));
    ASSERT_TRUE(taro.Keys({QStringLiteral("alt+l")}));
    ASSERT_TRUE(taro.WaitGone(kSend));
    ASSERT_TRUE(hanako.WaitShows(kNotice));
    ASSERT_TRUE(hanako.WaitGone(kNotice));
    ASSERT_TRUE(hanako.Keys({QStringLiteral("ctrl+alt+r")}));
    ASSERT_TRUE(hanako.WaitShows(kRecv));
    hanako.Shot(QStringLiteral("road-6-sealed-letter"));
    // Nothing is reported as read while the letter is sealed.
    QThread::msleep(2500);
    EXPECT_FALSE(taro.Shows(kNotice));
    // The open button has the focus: Return opens it.
    ASSERT_TRUE(hanako.Keys({QStringLiteral("Return")}));
    ASSERT_TRUE(taro.WaitShows(kNotice));
    hanako.Shot(QStringLiteral("road-7-opened-letter"));
    EXPECT_TRUE(taro.Running());
    EXPECT_TRUE(hanako.Running());
}

} // namespace
