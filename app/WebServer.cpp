#include "WebServer.h"

#include <QUrl>

namespace WebServer {

QString Base()
{
    QString sBase = qEnvironmentVariableIsSet("PARVANE_WEB_BASE") ? qEnvironmentVariable("PARVANE_WEB_BASE")
                                                                  : QStringLiteral(PV_WEB_BASE);
    while (sBase.endsWith(QLatin1Char('/')))
        sBase.chop(1);
    return sBase;
}

bool Configured()
{
    return !Base().isEmpty();
}

QString Address(const QString& sPath)
{
    return Configured() ? Base() + sPath : QString();
}

QString HomePage()
{
    return Address(QStringLiteral("/"));
}

QStringList AdvertisingHosts()
{
    const QString sHost = QUrl(Base()).host();
    if (sHost.isEmpty())
        return {};
    return {QStringLiteral("ad.") + sHost, QStringLiteral("ads.") + sHost};
}

} // namespace WebServer
