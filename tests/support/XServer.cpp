#include "XServer.h"

#include "ProcessEnd.h"

#include <QElapsedTimer>

namespace TestSupport {

XServer::XServer(const QString& sScreen)
{
    if (!FNumber.IsValid()) {
        FError = QStringLiteral("no free X display number");
        return;
    }
    FServer.setProcessChannelMode(QProcess::SeparateChannels);
    // Without -noreset the server starts afresh when its last client leaves, and the probe
    // below is such a client: the test's copy, connecting meanwhile, would lose its connection.
    FServer.start(QStringLiteral("Xvfb"),
                  {FNumber.Display(), QStringLiteral("-screen"), QStringLiteral("0"), sScreen,
                   QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!FServer.waitForStarted(5000)) {
        FError = QStringLiteral("Xvfb could not be started: install the xvfb package");
        return;
    }
    // Ready once a client is let in; a server that gave up says why on its error channel.
    QElapsedTimer timer;
    timer.start();
    while (FServer.state() == QProcess::Running && timer.elapsed() < 15000) {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), FNumber.Display());
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")});
        if (probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            FDisplay = FNumber.Display();
            return;
        }
        FServer.waitForFinished(100);
    }
    FError = QStringLiteral("Xvfb did not let a client in: ") +
             QString::fromLocal8Bit(FServer.readAllStandardError());
}

XServer::~XServer()
{
    ProcessEnd(FServer);
}

} // namespace TestSupport
