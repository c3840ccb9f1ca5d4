#include "GlobalHotKey.h"

#include "XServer.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

// Runs the probe on an X server of its own; its output and exit code.
std::pair<QString, int> RunProbe(const QString& sMode)
{
    const TestSupport::XServer server(QStringLiteral("640x480x24"));
    if (!server.IsReady())
        return {QStringLiteral("no X server: ") + server.Error(), -1};
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), server.Display());
    environment.remove(QStringLiteral("XAUTHORITY"));
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(HOTKEYPROBE_PATH), {sMode});
    if (!probe.waitForStarted(5000) || !probe.waitForFinished(90000)) {
        probe.kill();
        probe.waitForFinished(1000);
        return {QStringLiteral("the probe did not end: ") + probe.errorString(), -1};
    }
    return {QString::fromLocal8Bit(probe.readAllStandardOutput()).trimmed(), probe.exitCode()};
}

TEST(GlobalHotKey, GrabbedKeyPressedByXdotoolReachesItsId)
{
    const auto [sOutput, iExit] = RunProbe(QStringLiteral("press"));
    EXPECT_EQ(iExit, 0) << sOutput.toStdString();
    EXPECT_EQ(sOutput, QStringLiteral("pressed %1").arg(0x8064));
}

TEST(GlobalHotKey, CombinationHeldByAnotherClientIsRefused)
{
    const auto [sOutput, iExit] = RunProbe(QStringLiteral("taken"));
    EXPECT_EQ(iExit, 0) << sOutput.toStdString();
    EXPECT_EQ(sOutput, QStringLiteral("refused"));
}

// The tests run offscreen: there is no X connection, so nothing can be registered.
TEST(GlobalHotKey, WithoutX11EveryRegistrationFails)
{
    GlobalHotKey hotKeys;
    EXPECT_FALSE(hotKeys.Register(0x8064, GlobalHotKey::ModControl | GlobalHotKey::ModAlt, 'M'));
    EXPECT_FALSE(hotKeys.IsRegistered(0x8064));
}

TEST(GlobalHotKey, VirtualKeysMapToKeySyms)
{
    EXPECT_EQ(GlobalHotKey::KeySymOfVirtualKey('M'), 0x6du);
    EXPECT_EQ(GlobalHotKey::KeySymOfVirtualKey('7'), 0x37u);
    EXPECT_EQ(GlobalHotKey::KeySymOfVirtualKey(0x70), 0xffbeu); // F1
    EXPECT_EQ(GlobalHotKey::KeySymOfVirtualKey(0x7b), 0xffc9u); // F12
    EXPECT_EQ(GlobalHotKey::KeySymOfVirtualKey(0x0c), 0u);      // no X equivalent
}

} // namespace
