// Two copies of the program, each on an X server of its own in a host of the
// test LAN, driven by the keyboard: both enter the chat, a line typed in one
// reaches both, and the first one's leaving shows in the second (read from its
// view through the clipboard). Every step waits for the state it leads to: a
// menu shown, a window there or gone, a record in a log. Screenshots of the
// chat windows and the menus go to $PV_SHOT_DIR when it is set.
#include "AnsiCodePage.h"
#include "LogFile.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using TestSupport::PollFor;

// Generous for a machine that a parallel test run loads; a step that succeeds returns at once.
constexpr int kStepWaitMs = 30000;

const QString kMain = QStringLiteral("^Parvane 2$");
const QString kChat = QStringLiteral("^チャット - Parvane 2$");

QByteArray FileBytes(const QString& sPath)
{
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TChatCopy : public TestSupport::ProgramCopy {
public:
    TChatCopy(const TestLan& lan, int iHost, const QString& sShots) : ProgramCopy(lan, iHost), FShots(sShots)
    {
    }

    QList<TLogRecord> Log() const
    {
        return LogRecordsRead(FileBytes(FilePath(QStringLiteral("Parvane2.LOG"))));
    }
    bool WaitShown(const QString& sPattern) const
    {
        return PollFor([&] { return !Find(sPattern).isEmpty(); }, kStepWaitMs, 100);
    }
    bool WaitGone(const QString& sPattern) const
    {
        return PollFor([&] { return Find(sPattern).isEmpty(); }, kStepWaitMs, 100);
    }
    // Focuses the window and waits until it has the keys.
    bool FocusOn(const QString& sPattern) const
    {
        return PollFor(
            [&] {
                const QString sWindow = Focus(sPattern);
                return !sWindow.isEmpty() && Tool({QStringLiteral("getwindowfocus")}) == sWindow;
            },
            kStepWaitMs, 100);
    }
    // Does what opens a menu (keys or a click), waits until it is shown, pictures
    // it, closes it with these keys and waits until it has gone. The menu is the
    // window that was not there before: others (a notice) come and go meanwhile.
    bool Menu(const QStringList& open, const QString& sShot, const QStringList& close) const
    {
        const QStringList before = ShownWindows();
        Tool(open);
        QString sMenu;
        if (!PollFor(
                [&] {
                    for (const QString& sWindow : ShownWindows())
                        if (!before.contains(sWindow))
                            sMenu = sWindow;
                    return !sMenu.isEmpty();
                },
                kStepWaitMs, 100)) {
            ADD_FAILURE() << "no menu for " << sShot.toStdString();
            return false;
        }
        Shot(sShot);
        Keys(close);
        if (!PollFor([&] { return !ShownWindows().contains(sMenu); }, kStepWaitMs, 100)) {
            ADD_FAILURE() << "the menu for " << sShot.toStdString() << " stayed";
            return false;
        }
        return true;
    }
    bool Menu(const QString& sKey, const QString& sShot) const
    {
        return Menu({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), sKey}, sShot,
                    {QStringLiteral("Escape")});
    }
    // A right click at (x, y) of the window, or of the screen when the window is empty.
    bool RightClickMenu(const QString& sWindow, int x, int y, const QString& sShot) const
    {
        QStringList move{QStringLiteral("mousemove")};
        if (!sWindow.isEmpty())
            move << QStringLiteral("--window") << sWindow;
        return Menu(move << QString::number(x) << QString::number(y) << QStringLiteral("click")
                         << QStringLiteral("3"),
                    sShot, {QStringLiteral("Escape")});
    }
    void Shot(const QString& sName) const { ProgramCopy::Shot(QDir(FShots).filePath(sName + ".png")); }

private:
    QString FShots;
};

TEST(ChatLan, TwoCopiesTalkWithTheKeyboard)
{
    for (const char* tool : {"Xvfb", "xdotool", "trayer"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool;
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    QTemporaryDir shotDir;
    const QString sShots = qEnvironmentVariableIsSet("PV_SHOT_DIR")
                               ? QDir(qEnvironmentVariable("PV_SHOT_DIR")).absolutePath()
                               : shotDir.path();
    QDir().mkpath(sShots);
    const char* const kSettings[] = {"[Option]\r\nHandleName=太郎\r\nCustomizeTaskTray=1\r\n",
                                     "[Option]\r\nHandleName=花子\r\n"};
    TChatCopy first(lan, 0, sShots), second(lan, 1, sShots);
    // The first has a tray host, so that its tray icon and menu are there.
    first.AddTrayHost();
    TChatCopy* const copies[] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(
            copies[i]->Start(AnsiCodePage::Encode(QString::fromUtf8(kSettings[i])) +
                                 "CustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=10\r\nTop=10\r\n"
                                 "Width=560\r\nHeight=260\r\n[ChatWindow]\r\nLeft=200\r\nTop=290\r\n"
                                 "Width=560\r\nHeight=330\r\n",
                             QStringLiteral("800x640x24")))
            << i;
    }

    // The first shows every menu of its main window.
    ASSERT_TRUE(first.FocusOn(kMain));
    const QString sMain = first.MainWindow();
    for (const auto& [sKey, sShot] : {std::pair{"alt+m", "main-menu-message"},
                                      {"alt+a", "main-menu-absence"},
                                      {"alt+v", "main-menu-show"},
                                      {"alt+h", "main-menu-help"}}) {
        first.Menu(QString::fromLatin1(sKey), QString::fromLatin1(sShot));
        // The menu bar keeps its mark after the menu has gone; this leaves it.
        first.Keys({QStringLiteral("Escape")});
    }
    first.RightClickMenu(sMain, 60, 90, QStringLiteral("main-menu-right"));
    first.RightClickMenu(sMain, 200, 40, QStringLiteral("main-menu-toolbar"));
    first.Menu(QStringLiteral("ctrl+alt+s"), QStringLiteral("main-menu-hotkey-send"));
    first.Menu(QStringLiteral("ctrl+alt+f"), QStringLiteral("main-menu-hotkey-filesend"));
    first.Menu({QStringLiteral("mousemove"), QStringLiteral("--window"), sMain, QStringLiteral("275"),
                QStringLiteral("40"), QStringLiteral("click"), QStringLiteral("1")},
               QStringLiteral("main-menu-away-button"), {QStringLiteral("Escape")});
    first.Menu({QStringLiteral("mousemove"), QStringLiteral("--window"), sMain, QStringLiteral("50"),
                QStringLiteral("245"), QStringLiteral("click"), QStringLiteral("1")},
               QStringLiteral("main-menu-away-status"), {QStringLiteral("Escape")});
    first.RightClickMenu(QString(), 786, 12, QStringLiteral("main-menu-tray"));

    // The second enters the chat, then the first, who says a line.
    ASSERT_TRUE(second.FocusOn(kMain));
    second.Keys({QStringLiteral("alt+m"), QStringLiteral("c")});
    ASSERT_TRUE(second.WaitShown(kChat));
    ASSERT_TRUE(first.FocusOn(kMain));
    first.Keys({QStringLiteral("alt+m"), QStringLiteral("c")});
    ASSERT_TRUE(first.WaitShown(kChat));
    ASSERT_TRUE(first.FocusOn(kChat));
    const QString sTyped = QStringLiteral("hello <b>&amp; http://example.org/x?y=1");
    first.Type(sTyped, 40);
    first.Keys({QStringLiteral("Return")});
    ASSERT_TRUE(PollFor([&] { return !first.Log().isEmpty() && !second.Log().isEmpty(); }, kStepWaitMs, 100));
    first.Shot(QStringLiteral("chat-first"));
    second.Shot(QStringLiteral("chat-second"));
    const QString sChat = first.Find(kChat);
    first.RightClickMenu(sChat, 40, 60, QStringLiteral("chat-menu-members"));
    first.RightClickMenu(sChat, 250, 80, QStringLiteral("chat-menu-view"));
    first.RightClickMenu(sChat, 100, 320, QStringLiteral("chat-menu-right"));

    // The first leaves by its log-out button and says yes to the question.
    ASSERT_TRUE(first.FocusOn(kChat));
    first.Keys({QStringLiteral("alt+c")});
    ASSERT_TRUE(PollFor([&] { return first.FocusBox(); }, kStepWaitMs, 100));
    first.Keys({QStringLiteral("Return")});
    ASSERT_TRUE(first.WaitGone(kChat));
    first.Shot(QStringLiteral("first-after-leaving"));

    // What the second's view shows, copied through its own menu and read from the
    // clipboard, until the leaving is there.
    const QString sLeft = QStringLiteral("太郎がチャットからログアウトしました。");
    QString sSecondView;
    const QString sSecondChat = second.Find(kChat);
    ASSERT_FALSE(sSecondChat.isEmpty());
    // The two clicks go to two places: a second press where the first was, soon
    // after it, is a double click and opens no menu.
    const auto menuKey = [&](int x, const QString& sKey) {
        return second.Menu({QStringLiteral("mousemove"), QStringLiteral("--window"), sSecondChat,
                            QString::number(x), QStringLiteral("80"), QStringLiteral("click"),
                            QStringLiteral("3")},
                           QStringLiteral("chat-second-menu"), {sKey});
    };
    EXPECT_TRUE(PollFor(
        [&] {
            QByteArray text;
            if (second.FocusOn(kChat) && menuKey(250, QStringLiteral("a")) &&
                menuKey(300, QStringLiteral("c")) &&
                second.Client(QStringLiteral(LANSHOTS_PATH), {QStringLiteral("clipboard")}, &text))
                sSecondView = QString::fromUtf8(text);
            return sSecondView.contains(sLeft);
        },
        kStepWaitMs, 200));
    second.Shot(QStringLiteral("chat-second-after-leaving"));

    const QString sLine = QStringLiteral("hello &lt;b&gt;&amp;amp; http://example.org/x?y=1");
    const QList<TLogRecord> firstLog = first.Log();
    const QList<TLogRecord> secondLog = second.Log();
    ASSERT_EQ(firstLog.size(), 1);
    EXPECT_EQ(firstLog[0].sKind, QStringLiteral("チャット送信"));
    EXPECT_EQ(firstLog[0].sFrom, QStringLiteral("太郎"));
    EXPECT_EQ(firstLog[0].sText, sLine);
    ASSERT_EQ(secondLog.size(), 1);
    EXPECT_EQ(secondLog[0].sKind, QStringLiteral("チャット受信"));
    EXPECT_EQ(secondLog[0].sFrom, QStringLiteral("太郎"));
    EXPECT_EQ(secondLog[0].sText, sLine);
    // The second copy showed the first one's leaving, after the line it had said.
    EXPECT_TRUE(sSecondView.contains(sTyped)) << sSecondView.toStdString();
    EXPECT_GT(sSecondView.indexOf(sLeft), sSecondView.indexOf(QStringLiteral("hello")))
        << sSecondView.toStdString();
    // The first copy left by its log-out button: its window's place was written.
    EXPECT_TRUE(PollFor(
        [&] { return FileBytes(first.FilePath(QStringLiteral("Parvane2.INI"))).contains("Splitter="); },
        kStepWaitMs, 100));
}

} // namespace
