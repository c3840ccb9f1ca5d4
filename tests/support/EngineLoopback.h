#pragma once

// An engine on a LAN of one, for the window tests that need no peer: its service
// seems started without opening a socket (its datagram socket is a descriptor of
// /dev/null, which nothing reads or sends on), and every datagram it sends to the
// broadcast or to one of its own addresses comes back to it as received from its
// first address, so it lists itself as it would on a LAN. Anything sent elsewhere
// is dropped. Its addresses are the machine's own, so the engine's address watch
// sees no change. Its computer name is the one host 1 of the test LAN has, so a
// window test reads the same in either world. A file transfer would need a socket of its own: those tests
// stay on the test LAN.
#include "AnsiCodePage.h"
#include "DatagramFraming.h"
#include "ParvaneNetwork.h"
#include "ParvaneNetworkSeam.h"
#include "Stamps.h"

#include <QTimer>
#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

class TParvaneNetworkLoopback {
public:
    static bool Start(TParvaneNetwork& e)
    {
        using Seam = TParvaneNetworkSeam;
        if (e.SocketNo() != -1)
            return false;
        Seam::SetMachineName(e, QStringLiteral("PVHOST1"));
        Seam::SetAddresses(e, Seam::LocalAddresses());
        const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return false;
        Seam::SetSocketNo(e, fd);
        Seam::SetDatagramSendHook(e, [&e](const QByteArray& datagram, quint32 iAddress) {
            if (iAddress != INADDR_BROADCAST && !IsOwn(e, iAddress))
                return true;
            // Delivered by the event loop, as a socket would: never inside the send.
            const QString sender = e.IPAddress().value(0, QStringLiteral("127.0.0.1"));
            QTimer::singleShot(0, &e, [&e, sender, datagram] {
                if (e.SocketNo() != -1)
                    TParvaneNetworkSeam::Fragment(e, sender, datagram);
            });
            return true;
        });
        Seam::StartPurgeTimer(e);
        return true;
    }

    // A record sent by a peer at sSender: its datagrams are taken in at once, as
    // one turn of the event loop takes in what waits on a socket.
    static void Arrive(TParvaneNetwork& e, const QString& sSender, const QString& sRecord)
    {
        const QByteArray framed =
            DatagramFraming::FrameRecord(AnsiCodePage::Encode(Stamps::NewPacketId() + sRecord), false);
        for (const QByteArray& datagram : DatagramFraming::CutIntoDatagrams(framed, kPeerDatagramSize))
            TParvaneNetworkSeam::Fragment(e, sSender, datagram);
    }

private:
    // The largest datagram a copy of the program sends.
    static constexpr int kPeerDatagramSize = 512;

    static bool IsOwn(const TParvaneNetwork& e, quint32 iAddress)
    {
        for (const QString& own : e.IPAddress()) {
            in_addr address{};
            if (inet_pton(AF_INET, own.toLatin1().constData(), &address) == 1 &&
                ntohl(address.s_addr) == iAddress)
                return true;
        }
        return false;
    }
};
