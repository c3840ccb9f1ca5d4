// The road of one message between two program copies on a test LAN, each on an
// X server of its own, driven by the keyboard alone: hot keys, menus, access
// keys and Return. The set PARVANE_SHOTS names a folder for the screenshots.
#include "AnsiCodePage.h"
#include "LogFile.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const char* const kHandles[] = {"太郎", "花子"};

// One copy of the program in host i, with the keys typed at a person's pace.
class TCopy : public TestSupport::ProgramCopy {
public:
    using ProgramCopy::ProgramCopy;

    bool Start(const QByteArray& ini) { return ProgramCopy::Start(ini, QStringLiteral("800x600x24")); }
    bool Keys(const QStringList& keys) const { return ProgramCopy::Keys(keys, 120); }
    // Whether a mapped window has a title that starts so.
    bool Shows(const QString& sTitle) const
    {
        return !Find(QStringLiteral("^") + QRegularExpression::escape(sTitle)).isEmpty();
    }
    bool WaitShows(const QString& sTitle, int iTimeoutMs = 15000) const
    {
        return TestSupport::PollFor([&] { return Shows(sTitle); }, iTimeoutMs, 200);
    }
    bool WaitGone(const QString& sTitle, int iTimeoutMs = 15000) const
    {
        return TestSupport::PollFor([&] { return !Shows(sTitle); }, iTimeoutMs, 200);
    }

    // Presses keys that open a menu and waits until a window that was not there before is shown.
    bool OpensMenu(const QStringList& keys, int iTimeoutMs = 15000) const
    {
        const QStringList before = ShownWindows();
        return Keys(keys) && TestSupport::PollFor(
                                 [&] {
                                     for (const QString& sWindow : ShownWindows())
                                         if (!before.contains(sWindow))
                                             return true;
                                     return false;
                                 },
                                 iTimeoutMs, 100);
    }

    void Shot(const QString& sName) const
    {
        const QString sFolder = qEnvironmentVariable("PARVANE_SHOTS");
        if (sFolder.isEmpty())
            return;
        QDir().mkpath(sFolder);
        ProgramCopy::Shot(QDir(sFolder).filePath(sName + QStringLiteral(".png")));
    }

    QList<TLogRecord> Log() const
    {
        QFile file(FilePath(QStringLiteral("Parvane2.LOG")));
        return file.open(QIODevice::ReadOnly) ? LogRecordsRead(file.readAll()) : QList<TLogRecord>();
    }
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
    for (const QString& sTool : {QStringLiteral("Xvfb"), QStringLiteral("xdotool")})
        ASSERT_FALSE(QStandardPaths::findExecutable(sTool).isEmpty())
            << qPrintable(sTool) << " is not installed";
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
    ASSERT_TRUE(taro.OpensMenu({QStringLiteral("ctrl+alt+s")}));
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
    // The log is written on a thread of its own, soon after.
    ASSERT_TRUE(
        TestSupport::PollFor([&] { return !hanako.Log().isEmpty() && !taro.Log().isEmpty(); }, 15000, 100));
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
    ASSERT_TRUE(taro.OpensMenu({QStringLiteral("ctrl+alt+s")}));
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
