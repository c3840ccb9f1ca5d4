#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>

class TestLan;

// A raw UDP socket on the message port inside one host of the test LAN that
// frames and reads records byte by byte, written independently of the
// engine, so tests see exactly what goes over the wire.
class ScriptedPeer {
public:
    // One record as it came off the wire.
    struct Record {
        QString Sender;   // dotted address of the sending host
        QString PacketId; // the 22 characters in front of the text
        QString Text;     // keyword and fields
        bool Scrambled = false;
        QList<QByteArray> Datagrams;
    };

    // The socket is made inside host iHost and stays there.
    ScriptedPeer(TestLan& lan, int iHost, quint16 iPort = 51000);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    bool IsOpen() const { return FSocket >= 0; }
    const QString& Address() const { return FAddress; }

    // The datagrams of one record: packet id + text, framed, escaped,
    // optionally scrambled with the offset iScrambleOffset, cut into pieces of 254 bytes.
    static QList<QByteArray> Frame(const QString& sPacketId, const QString& sText, bool bScrambled = false,
                                   int iScrambleOffset = 0x40);
    // A fresh 22-character packet id that no earlier call returned.
    static QString UniquePacketId();

    // Sends the record to sTarget (the LAN's broadcast by default); true when every datagram went out.
    bool Send(const QString& sText, const QString& sTarget = QStringLiteral("255.255.255.255"),
              bool bScrambled = false);
    bool SendDatagrams(const QList<QByteArray>& datagrams, const QString& sTarget);

    // Reads what has arrived without waiting; complete records from other hosts
    // are appended to Received(). The peer's own broadcasts are left out.
    void Poll();
    QList<Record>& Received() { return FReceived; }
    // The received records whose keyword (field 0) is sKeyword.
    QList<Record> WithKeyword(const QString& sKeyword) const;

private:
    struct Partial {
        QMap<int, QByteArray> Pieces;
        QList<QByteArray> Datagrams;
    };
    void TryComplete(const QString& sender);

    int FSocket = -1;
    quint16 FPort = 0;
    QString FAddress;
    QMap<QString, Partial> FPartial;
    QList<Record> FReceived;
};
