#include "WebServer.h"

#include <QUrl>

namespace WebServer {

namespace {

int DefaultPort(const QString& sScheme)
{
    if (sScheme == QStringLiteral("http"))
        return 80;
    if (sScheme == QStringLiteral("https"))
        return 443;
    return -1;
}

// The parts that name a page, as the browser writes them.
QString PageKey(const QUrl& url)
{
    const QUrl plain = url.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveQuery | QUrl::RemoveFragment);
    const QString sScheme = plain.scheme().toLower();
    const QString sPath = plain.path(QUrl::FullyEncoded);
    return sScheme + QStringLiteral("://") + plain.host(QUrl::FullyEncoded).toLower() + QLatin1Char(':') +
           QString::number(plain.port(DefaultPort(sScheme))) +
           (sPath.isEmpty() ? QStringLiteral("/") : sPath);
}

} // namespace

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

bool AddressMatches(const QUrl& url, const QString& sAddress)
{
    if (sAddress.isEmpty() || !url.isValid())
        return false;
    const QUrl address(sAddress);
    return address.isValid() && PageKey(url) == PageKey(address);
}

QStringList AdvertisingHosts()
{
    const QString sHost = QUrl(Base()).host();
    if (sHost.isEmpty())
        return {};
    return {QStringLiteral("ad.") + sHost, QStringLiteral("ads.") + sHost};
}

} // namespace WebServer
