// Two copies of the program, each on an X server of its own in a host of the
// test LAN, driven by the keyboard: both enter the chat, a line typed in one
// reaches both, and the first one's leaving shows in the second (read from its
// view through the clipboard). Screenshots
// of the chat windows and the menus go to $PV_SHOT_DIR when it is set.
#include "AnsiCodePage.h"
#include "LogFile.h"
#include "TestLan.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool WriteText(const QString& sPath, const QByteArray& text)
{
    QFile file(sPath);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QByteArray FileBytes(const QString& sPath)
{
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Shell steps shared by both copies: keys to the focused window, a picture of the screen.
const char kPrelude[] = R"(
key() { xdotool key --clearmodifiers "$@"; sleep 0.6; }
shot() { "$LANSHOTS" grab "$SHOTS/$1.png"; }
main() { xdotool search --sync --name '^Parvane 2$' | head -1; }
chat() { xdotool search --sync --name '^チャット - Parvane 2$' | head -1; }
focus() { xdotool windowfocus --sync "$1"; sleep 0.3; }
# The copies wait for each other through marks in a folder both can see.
mark() { touch "$SYNC/$1"; }
await() { for i in $(seq 1 300); do [ -e "$SYNC/$1" ] && return; sleep 0.2; done; }
"$DIR/parvane2" & PV=$!
sleep 3
W=$(main)
focus $W
)";

// The first copy shows every menu of the main window, enters the chat, says a
// line and leaves again; the second enters and watches.
const char kFirst[] = R"(
trayer --edge top --align right --widthtype request --height 24 --SetDockType true --tint 0xd0d0d0 \
  --transparent true --alpha 0 & TRAY=$!
sleep 1
key alt+m; shot main-menu-message; key Escape Escape
key alt+a; shot main-menu-absence; key Escape Escape
key alt+v; shot main-menu-show; key Escape Escape
key alt+h; shot main-menu-help; key Escape Escape
xdotool mousemove --window $W 60 90 click 3; sleep 0.6; shot main-menu-right; key Escape
xdotool mousemove --window $W 200 40 click 3; sleep 0.6; shot main-menu-toolbar; key Escape
key ctrl+alt+s; shot main-menu-hotkey-send; key Escape
key ctrl+alt+f; shot main-menu-hotkey-filesend; key Escape
xdotool mousemove --window $W 275 40 click 1; sleep 0.6; shot main-menu-away-button; key Escape
xdotool mousemove --window $W 50 245 click 1; sleep 0.6; shot main-menu-away-status; key Escape
xdotool mousemove 786 12 click 3; sleep 0.6; shot main-menu-tray; key Escape
await second-in
focus $W
key alt+m c
sleep 2
C=$(chat)
focus $C
xdotool type --delay 40 'hello <b>&amp; http://example.org/x?y=1'
key Return
sleep 2
shot chat-first
mark said
xdotool mousemove --window $C 40 60 click 3; sleep 0.6; shot chat-menu-members; key Escape
xdotool mousemove --window $C 250 80 click 3; sleep 0.6; shot chat-menu-view; key Escape
xdotool mousemove --window $C 100 320 click 3; sleep 0.6; shot chat-menu-right; key Escape
await seen
focus $C
key alt+c
key Return
sleep 2
shot first-after-leaving
mark left
kill $PV $TRAY
)";

const char kSecond[] = R"(
key alt+m c
sleep 2
mark second-in
await said
sleep 1
shot chat-second
mark seen
await left
sleep 2
shot chat-second-after-leaving
# What the view shows, copied through its own menu and read from the clipboard.
C=$(chat)
focus $C
xdotool mousemove --window $C 250 80 click 3; sleep 0.6; key a
xdotool mousemove --window $C 250 80 click 3; sleep 0.6; key c
"$LANSHOTS" clipboard > "$SYNC/second-view.txt"
kill $PV
)";

TEST(ChatLan, TwoCopiesTalkWithTheKeyboard)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_FAIL() << "needs xvfb-run and xdotool";
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    QTemporaryDir shotDir, syncDir;
    const QString sShots = qEnvironmentVariableIsSet("PV_SHOT_DIR")
                               ? QDir(qEnvironmentVariable("PV_SHOT_DIR")).absolutePath()
                               : shotDir.path();
    QDir().mkpath(sShots);
    const char* const kSettings[] = {"[Option]\r\nHandleName=太郎\r\nCustomizeTaskTray=1\r\n",
                                     "[Option]\r\nHandleName=花子\r\n"};
    const char* const kScripts[] = {kFirst, kSecond};
    QTemporaryDir dirs[2];
    QProcess copies[2];
    for (int i = 0; i < 2; ++i) {
        const QString sDir = dirs[i].path();
        ASSERT_TRUE(QFile::copy(QStringLiteral(PARVANE2_PATH), sDir + QStringLiteral("/parvane2")));
        ASSERT_TRUE(WriteText(sDir + QStringLiteral("/Parvane2.INI"),
                              AnsiCodePage::Encode(QString::fromUtf8(kSettings[i])) +
                                  "CustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=10\r\nTop=10\r\n"
                                  "Width=560\r\nHeight=260\r\n[ChatWindow]\r\nLeft=200\r\nTop=290\r\n"
                                  "Width=560\r\nHeight=330\r\n"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), sDir);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DIR"), sDir);
        environment.insert(QStringLiteral("SHOTS"), sShots);
        environment.insert(QStringLiteral("SYNC"), syncDir.path());
        environment.insert(QStringLiteral("LANSHOTS"), QStringLiteral(LANSHOTS_PATH));
        copies[i].setProcessEnvironment(environment);
        lan.PlaceProcess(copies[i], i);
        copies[i].setProcessChannelMode(QProcess::ForwardedChannels);
        copies[i].start(QStringLiteral("xvfb-run"),
                        {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x640x24"),
                         QStringLiteral("bash"), QStringLiteral("-c"),
                         QString::fromUtf8(kPrelude) + QString::fromUtf8(kScripts[i])});
    }
    for (QProcess& copy : copies)
        ASSERT_TRUE(copy.waitForFinished(90000));

    const QString sLine = QStringLiteral("hello &lt;b&gt;&amp;amp; http://example.org/x?y=1");
    const QList<TLogRecord> first = LogRecordsRead(FileBytes(dirs[0].filePath("Parvane2.LOG")));
    const QList<TLogRecord> second = LogRecordsRead(FileBytes(dirs[1].filePath("Parvane2.LOG")));
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].sKind, QStringLiteral("チャット送信"));
    EXPECT_EQ(first[0].sFrom, QStringLiteral("太郎"));
    EXPECT_EQ(first[0].sText, sLine);
    ASSERT_EQ(second.size(), 1);
    EXPECT_EQ(second[0].sKind, QStringLiteral("チャット受信"));
    EXPECT_EQ(second[0].sFrom, QStringLiteral("太郎"));
    EXPECT_EQ(second[0].sText, sLine);
    // The second copy showed the first one's leaving, after the line it had said.
    const QString sSecondView =
        QString::fromUtf8(FileBytes(QDir(syncDir.path()).filePath("second-view.txt")));
    EXPECT_TRUE(sSecondView.contains(QStringLiteral("hello <b>&amp; http://example.org/x?y=1")))
        << sSecondView.toStdString();
    EXPECT_GT(sSecondView.indexOf(QStringLiteral("太郎がチャットからログアウトしました。")),
              sSecondView.indexOf(QStringLiteral("hello")))
        << sSecondView.toStdString();
    // The first copy left by its log-out button: its window's place was written.
    EXPECT_TRUE(FileBytes(dirs[0].filePath("Parvane2.INI")).contains("Splitter="));
}

} // namespace
