#include "XServer.h"

namespace TestSupport {

XServer::XServer(const QString& sScreen)
{
    FServer.setProcessChannelMode(QProcess::SeparateChannels);
    FServer.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), sScreen, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!FServer.waitForStarted(5000)) {
        FError = QStringLiteral("Xvfb could not be started: install the xvfb package");
        return;
    }
    QByteArray number;
    while (!number.contains('\n') && FServer.waitForReadyRead(10000))
        number += FServer.readAllStandardOutput();
    bool bNumber = false;
    const int iDisplay = number.trimmed().toInt(&bNumber);
    if (!bNumber) {
        FError = QStringLiteral("Xvfb named no display: ") +
                 QString::fromLocal8Bit(FServer.readAllStandardError());
        return;
    }
    FDisplay = u':' + QString::number(iDisplay);
}

XServer::~XServer()
{
    if (FServer.state() == QProcess::NotRunning)
        return;
    FServer.terminate();
    if (!FServer.waitForFinished(5000)) {
        FServer.kill();
        FServer.waitForFinished(5000);
    }
}

} // namespace TestSupport
