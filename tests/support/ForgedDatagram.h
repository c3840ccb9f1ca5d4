#pragma once

// A machine on the LAN that writes its own IP headers: it sends UDP datagrams
// with any source address and port, as a hostile machine can. A raw socket
// (IP_HDRINCL) made inside one host of the test LAN and kept there; the
// datagrams never leave the LAN's namespaces.
#include "TestLan.h"

#include <QByteArray>
#include <QString>

namespace TestSupport {

class ForgedDatagram {
public:
    // The raw socket is made inside host iHost of the LAN.
    ForgedDatagram(TestLan& lan, int iHost);
    ~ForgedDatagram();
    ForgedDatagram(const ForgedDatagram&) = delete;
    ForgedDatagram& operator=(const ForgedDatagram&) = delete;

    bool IsOpen() const { return FSocket >= 0; }
    // Why the socket could not be made, or why the last send failed.
    const QString& Error() const { return FError; }

    // One UDP datagram that claims to come from sSource:iSourcePort, to
    // sTarget:iTargetPort (a host's address or a broadcast address).
    bool Send(const QString& sSource, int iSourcePort, const QString& sTarget, int iTargetPort,
              const QByteArray& payload);
    // The same with the source port equal to the target port, as peers send.
    bool Send(const QString& sSource, const QString& sTarget, int iPort, const QByteArray& payload)
    {
        return Send(sSource, iPort, sTarget, iPort, payload);
    }

private:
    int FSocket = -1;
    QString FError;
};

// A Linux host drops a datagram that arrives from outside with one of its own
// addresses as the source; other machines on a LAN need not. Makes host iHost
// take such datagrams, so a test can show what the program does with them.
bool AcceptOwnSources(TestLan& lan, int iHost, QString* pError = nullptr);

} // namespace TestSupport
