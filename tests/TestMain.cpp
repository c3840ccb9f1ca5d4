// The main of every test program: one Qt application object for the whole run.
#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef PV_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

namespace {

// On CI every test must run: one that skipped or was left disabled fails the run,
// so that a test which quietly stopped running cannot hide a fault.
int CiResult(int iResult)
{
    if (qEnvironmentVariable("CI") != QStringLiteral("true"))
        return iResult;
    const testing::UnitTest& run = *testing::UnitTest::GetInstance();
    if (run.skipped_test_count() == 0 && run.disabled_test_count() == 0)
        return iResult;
    std::fprintf(stderr, "CI=true: %d test(s) skipped and %d disabled; every test must run.\n",
                 run.skipped_test_count(), run.disabled_test_count());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Widget tests draw offscreen unless a test asks for a real X server.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return CiResult(RUN_ALL_TESTS());
}
