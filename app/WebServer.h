#pragma once

#include <QString>
#include <QStringList>

class QUrl;

// The maker's web server. There is none of ours: its base address (scheme, host
// and port, such as "https://example.org") is set when the program is built
// (the CMake cache variable PARVANE_WEB_BASE, empty by default), and the
// environment variable PARVANE_WEB_BASE overrides it for tests. With no base
// address no web window sends a request: each shows its failure at once.
namespace WebServer {

inline const QString VersionPath = QStringLiteral("/application/parvane2/version.php");
inline const QString LoginPath = QStringLiteral("/application/parvane2/globalchat/login.php");
inline const QString LobbyPath = QStringLiteral("/application/parvane2/globalchat/lobby.php");
inline const QString LogoutPath = QStringLiteral("/application/parvane2/globalchat/logout.php");
inline const QString RequestPath = QStringLiteral("/application/parvane2/request/");
inline const QString DonationPath = QStringLiteral("/application/parvane2/donation.php");
// Where the server's log-out sequence goes once the log-out is complete.
inline const QString SentinelPath = QStringLiteral("/application/parvane2/globalchat/logout_end.html");

// The base address without a trailing "/"; empty when none is set.
QString Base();
bool Configured();
// Base() + sPath; empty when no base address is set.
QString Address(const QString& sPath);
// The maker's home page: the base address with "/"; empty when none is set.
QString HomePage();
// Whether url is the page at sAddress, compared as addresses: scheme, host, port
// and path, whatever case, default port or dot segments either is written with;
// the query and the fragment aside. Never for an empty sAddress.
bool AddressMatches(const QUrl& url, const QString& sAddress);
// The hosts of the advertisements that the web chat's pages show: the server's
// own "ad." and "ads." hosts; none without a base address.
QStringList AdvertisingHosts();

} // namespace WebServer
