#include "OwnProcess.h"

#include "Desktop.h"
#include "XServer.h"

#include <QCoreApplication>
#include <QProcess>

namespace TestSupport {

namespace {

// Names the test the copy was started for, so that no other test takes itself for the copy.
const char* const kOwnProcessVariable = "PV_OWN_PROCESS_TEST";

QString CurrentTestName()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr)
        return {};
    return QString::fromStdString(std::string(info->test_suite_name()) + '.' + info->name());
}

} // namespace

bool InOwnProcess()
{
    const QString sTest = CurrentTestName();
    return !sTest.isEmpty() && qEnvironmentVariable(kOwnProcessVariable) == sTest;
}

testing::AssertionResult RunInOwnProcess(const QProcessEnvironment& extra, int iTimeoutMs)
{
    const QString sTest = CurrentTestName();
    if (sTest.isEmpty())
        return testing::AssertionFailure() << "not inside a test";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    environment.insert(QString::fromLatin1(kOwnProcessVariable), sTest);
    QProcess copy;
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + sTest});
    const bool bFinished = copy.waitForFinished(iTimeoutMs);
    const std::string output = copy.readAll().toStdString();
    if (!bFinished) {
        copy.kill();
        copy.waitForFinished(5000);
        return testing::AssertionFailure() << "the copy did not finish:\n" << output;
    }
    // A copy that ran nothing (a filter that matched no test) also ends with 0.
    if (copy.exitStatus() != QProcess::NormalExit || copy.exitCode() != 0 ||
        output.find("[  PASSED  ] 1 test") == std::string::npos)
        return testing::AssertionFailure() << "the copy failed:\n" << output;
    return testing::AssertionSuccess();
}

testing::AssertionResult RunInOwnProcessOnAnXServer(const QProcessEnvironment& extra, int iTimeoutMs)
{
    const XServer server;
    if (!server.IsReady())
        return testing::AssertionFailure() << server.Error().toStdString();
    QProcessEnvironment environment = extra;
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), server.Display());
    return RunInOwnProcess(environment, iTimeoutMs);
}

testing::AssertionResult RunInOwnProcessOnADesktop(const QProcessEnvironment& extra, int iTimeoutMs)
{
    const Desktop desktop;
    if (!desktop.IsReady())
        return testing::AssertionFailure() << desktop.Error().toStdString();
    QProcessEnvironment environment = extra;
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), desktop.Display());
    return RunInOwnProcess(environment, iTimeoutMs);
}

} // namespace TestSupport
