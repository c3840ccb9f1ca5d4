// A whole copy of the program on a test LAN ended by a signal, as the desktop
// ends it at the close of a session: it closes as it always does, without
// questions, so the peer sees it leave, the message that came just before is in
// its log and its settings hold where its main window was.
#include "AnsiCodePage.h"
#include "IniFile.h"
#include "LogFile.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QFile>
#include <QStandardPaths>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using TestSupport::PollFor;

class ProgramEndLan : public testing::TestWithParam<int> {
protected:
    TestLan FLan{2};
};

TEST_P(ProgramEndLan, ASignalClosesTheProgramAsItsOwnCloseDoes)
{
    for (const char* tool : {"Xvfb", "xdotool"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool;
    ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
    TestSupport::ProgramCopy copy(FLan, 0);
    // With CustomizeEnd on, a close of its own would ask first.
    ASSERT_TRUE(
        copy.Start("[Option]\r\nHandleName=Alpha\r\nCustomizeStartVersionCheck=0\r\nCustomizeEnd=1\r\n"
                   "[MainWindow]\r\nLeft=10\r\nTop=10\r\nWidth=560\r\nHeight=200\r\n"));
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(FLan, 1, QStringLiteral("Peer")));
    std::optional<QStringList> login;
    while ((login = peer.WaitEvent(QStringLiteral("OnLogin"))) &&
           login->value(0) != QStringLiteral("Alpha")) {
    }
    ASSERT_TRUE(login.has_value());
    const QString sMachine = login->value(1);

    ASSERT_FALSE(copy.Tool({QStringLiteral("windowmove"), copy.MainWindow(), QStringLiteral("123"),
                            QStringLiteral("145")})
                     .contains(QStringLiteral("rror")));
    ASSERT_TRUE(PollFor(
        [&] {
            return copy.Tool({QStringLiteral("getwindowgeometry"), copy.MainWindow()})
                .contains(QStringLiteral("Position: 123,145"));
        },
        10000));

    ASSERT_NE(peer.Call(QStringLiteral("MessageSend"), {QStringLiteral("最後のメッセージ"), FLan.Address(0),
                                                        QStringLiteral("Parvane2"), QStringLiteral("0")}),
              QString());
    ASSERT_TRUE(peer.WaitEvent(QStringLiteral("OnMessageOk")).has_value());
    ASSERT_EQ(::kill(static_cast<pid_t>(copy.ProcessId()), GetParam()), 0);

    const std::optional<QStringList> logout = peer.WaitEvent(QStringLiteral("OnLogout"));
    ASSERT_TRUE(logout.has_value());
    EXPECT_EQ(logout->value(1), sMachine);
    ASSERT_TRUE(copy.WaitEnded(15000));

    QFile log(copy.FilePath(QStringLiteral("Parvane2.LOG")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<TLogRecord> records = LogRecordsRead(log.readAll());
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].sText, QStringLiteral("最後のメッセージ"));
    const IniFile ini(copy.FilePath(QStringLiteral("Parvane2.INI")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MainWindow"), QStringLiteral("Left"), -1), 123);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MainWindow"), QStringLiteral("Top"), -1), 145);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramEndLan, testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

} // namespace
