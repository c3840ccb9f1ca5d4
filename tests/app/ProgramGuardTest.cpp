// Two copies of the program itself, started at once in one host of a test LAN.
#include "TestLan.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <gtest/gtest.h>

namespace {

class ProgramGuard : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
        ASSERT_TRUE(FDir.isValid());
        // A folder of its own: its settings beside it and its lock file apart from a running copy's.
        FProgram = FDir.filePath(QStringLiteral("parvane2"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(PARVANE2_PATH), FProgram));
        QFile ini(FDir.filePath(QStringLiteral("Parvane2.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Option]\r\nCustomizeStartVersionCheck=0\r\n");
    }

    void Launch(QProcess& copy, const QStringList& slArguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), FDir.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        copy.setProcessEnvironment(environment);
        FLan.PlaceProcess(copy, 0);
        copy.start(FProgram, slArguments);
    }

    static void Stop(QProcess& copy)
    {
        if (copy.state() != QProcess::NotRunning) {
            copy.kill();
            copy.waitForFinished(5000);
        }
    }

    TestLan FLan{1};
    QTemporaryDir FDir;
    QString FProgram;
};

TEST_F(ProgramGuard, OfTwoCopiesStartedTogetherOneRunsAndTheOtherEndsSilently)
{
    std::array<QProcess, 2> copies;
    for (QProcess& copy : copies)
        Launch(copy, {QStringLiteral("/PM:51001"), QStringLiteral("/PF:52001")});
    for (QProcess& copy : copies)
        ASSERT_TRUE(copy.waitForStarted(5000));
    QElapsedTimer waited;
    waited.start();
    // A process's end is seen only while one waits for that process.
    auto running = [&] {
        int n = 0;
        for (QProcess& copy : copies) {
            copy.waitForFinished(25);
            n += copy.state() != QProcess::NotRunning;
        }
        return n;
    };
    while (running() == 2 && waited.elapsed() < 10000) {
    }
    // The survivor is still there a while later, the other ended with code 0 and said nothing.
    QThread::msleep(500);
    EXPECT_EQ(running(), 1);
    for (QProcess& copy : copies)
        if (copy.state() == QProcess::NotRunning) {
            EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(copy.exitCode(), 0);
        }

    // Other ports name another guard: this copy runs beside the first.
    QProcess beside;
    Launch(beside, {QStringLiteral("/PM:51002"), QStringLiteral("/PF:52002")});
    ASSERT_TRUE(beside.waitForStarted(5000));
    EXPECT_FALSE(beside.waitForFinished(1500));
    Stop(beside);
    for (QProcess& copy : copies)
        Stop(copy);
}

} // namespace
