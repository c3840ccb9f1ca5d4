// Records that name this copy as their sender: only this copy's own addresses
// may send them. Anything else is a peer speaking in this copy's name, whatever
// source address it gives its datagrams.
#include "EngineTestSupport.h"
#include "ForgedDatagram.h"

#include <gtest/gtest.h>

using namespace EngineTest;

namespace {

const QString kOwn = QStringLiteral("PVHOST1");

class OwnName : public EngineOnLan {
protected:
    // Logged in and in the chat, the own entry listed; every event counted by its name.
    void LogIn()
    {
        Start();
        for (const char* name : {"OnLogin", "OnInfoChange", "OnLogout", "OnChatMessage", "OnMessage"})
            FEvents[QString::fromLatin1(name)] = 0;
        Engine->OnLogin = [this](auto...) { ++FEvents[QStringLiteral("OnLogin")]; };
        Engine->OnInfoChange = [this](auto...) { ++FEvents[QStringLiteral("OnInfoChange")]; };
        Engine->OnLogout = [this](auto...) { ++FEvents[QStringLiteral("OnLogout")]; };
        Engine->OnChatMessage = [this](auto...) { ++FEvents[QStringLiteral("OnChatMessage")]; };
        Engine->OnMessage = [this](auto...) { ++FEvents[QStringLiteral("OnMessage")]; };
        ASSERT_TRUE(Engine->Login());
        ASSERT_TRUE(Engine->ChatLogin());
        ASSERT_TRUE(WaitUntil([this] { return Engine->LoginCount() == 1 && Engine->GetLoginUser(0).Chat; }));
        Peer.ReceiveAll(200);
        for (auto& count : FEvents)
            count = 0;
    }
    bool OwnEntryUntouched() const
    {
        const TPVN_LoginUserInformation own = Engine->GetLoginUser(0);
        return Engine->LoginCount() == 1 && own.Machine == kOwn && own.Handle == QStringLiteral("太郎") &&
               !own.Absence && own.Chat && own.IPAddress == QStringList{EngineAddress()};
    }
    int Events() const
    {
        int n = 0;
        for (int count : FEvents)
            n += count;
        return n;
    }
    // Sends a record as the peer in host 1 from sSource, its own address unless another is given.
    void SendFrom(const QString& sSource, const QString& sText)
    {
        const std::vector<QByteArray> datagrams = Frame(PeerPacketId(++FPacket) + sText);
        if (sSource == PeerAddress()) {
            ASSERT_TRUE(Peer.SendAll(datagrams, EngineAddress()));
            return;
        }
        if (!FForger) {
            FForger = std::make_unique<TestSupport::ForgedDatagram>(*FLan, 1);
            // Making it left host 1 for the machine's own namespace: the engine's thread belongs in host 0.
            ASSERT_TRUE(EnterHost(0));
        }
        ASSERT_TRUE(FForger->IsOpen()) << qPrintable(FForger->Error());
        for (const QByteArray& d : datagrams)
            ASSERT_TRUE(FForger->Send(sSource, EngineAddress(), kPort, d)) << qPrintable(FForger->Error());
    }
    // The engine has read everything sent before: a peer's chat line sent last has arrived.
    void Drain()
    {
        const int iBefore = FEvents[QStringLiteral("OnChatMessage")];
        SendFrom(PeerAddress(),
                 QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|花子&|PVHOST2&|%1&|Parvane2&|m%2&|end")
                     .arg(PeerAddress())
                     .arg(FPacket));
        ASSERT_TRUE(WaitUntil([&] { return FEvents[QStringLiteral("OnChatMessage")] > iBefore; }));
        FEvents[QStringLiteral("OnChatMessage")] = iBefore;
    }

    QMap<QString, int> FEvents;
    int FPacket = 0;
    std::unique_ptr<TestSupport::ForgedDatagram> FForger;
};

struct TClaim {
    const char* sName;
    QString sRecord; // %1 the machine name claimed, %2 the engine's address

    QString In(const QString& sMachine, const QString& sEngine) const
    {
        return QString(sRecord)
            .replace(QStringLiteral("%1"), sMachine)
            .replace(QStringLiteral("%2"), sEngine);
    }
};

const TClaim kClaims[] = {
    {"log-in",
     QStringLiteral(
         "PVMESSAGE:LOGIN&|%1&|198.18.0.2&|Parvane2&|偽者&|2200&|1&|0&|0&|52000&|198.18.0.2\r\n&|会議")},
    {"information change",
     QStringLiteral(
         "PVMESSAGE:INFO_CHANGE&|%1&|Parvane2&|198.18.0.2&|偽者&|2200&|1&|0&|1&|52000&|198.18.0.2\r\n&|")},
    {"log-out", QStringLiteral("PVMESSAGE:LOGOUT&|%1&|Parvane2")},
    {"chat line", QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|偽者&|%1&|198.18.0.2&|Parvane2&|M0001&|偽の発言")},
    {"message",
     QStringLiteral(
         "PVMESSAGE:MESSAGE&|%2&|Parvane2&|偽者&|%1&|198.18.0.2&|Parvane2&|ID0000000001&|本文&|0")},
    // An answer to a log-in, addressed to this copy, whose sender fields come after the addressee.
    {"log-in answer",
     QStringLiteral("PVMESSAGE:LOGIN_OK&|%2&|Parvane2&|%1&|198.18.0.2&|Parvane2&|偽者&|2200&|1&|0&|0&|52000&|"
                    "198.18.0.2\r\n&|会議")},
};

// In this copy's name, from the peer's own address or from one that no host
// holds, none of these records is taken; the same records in the peer's own
// name are.
TEST_F(OwnName, RecordsInThisCopysNameFromOtherAddressesAreDropped)
{
    LogIn();
    const QString sources[] = {PeerAddress(), QStringLiteral("198.18.0.77")};
    for (const TClaim& claim : kClaims) {
        for (const QString& sSource : sources) {
            SCOPED_TRACE(testing::Message() << claim.sName << " from " << qPrintable(sSource));
            SendFrom(sSource, claim.In(kOwn, EngineAddress()));
            Drain();
            EXPECT_EQ(Events(), 0);
            EXPECT_TRUE(OwnEntryUntouched());
        }
        // No answer went out to the forged log-in or message either.
        for (const Datagram& d : Peer.ReceiveAll(100)) {
            const QString sText = Unframe(d.Data);
            EXPECT_FALSE(sText.startsWith(QStringLiteral("PVMESSAGE:LOGIN_OK")) ||
                         sText.startsWith(QStringLiteral("PVMESSAGE:MESSAGE_OK")))
                << claim.sName << ": " << qPrintable(sText);
        }
    }

    // The peer's own name from its own address: each record counts.
    for (const TClaim& claim : kClaims) {
        const int iBefore = Events();
        SendFrom(PeerAddress(), claim.In(QStringLiteral("PVHOST2"), EngineAddress()));
        EXPECT_TRUE(WaitUntil([&] { return Events() > iBefore; })) << claim.sName;
    }
}

// A copy with two addresses: records in its name from the second are its own (a
// broadcast it sent through that address came back), from a third they are not.
TEST_F(OwnName, RecordsInThisCopysNameFromItsSecondAddressAreItsOwn)
{
    const QString sSecond = QStringLiteral("198.18.0.101");
    // The suite's later tests meet the host as it was.
    const auto change = [&](const char* sHow) {
        return RunIp({"-n", FLan->NamespaceName(0), "addr", sHow, sSecond + "/15", "dev", "eth0"});
    };
    struct Removal {
        std::function<bool(const char*)> Change;
        ~Removal() { Change("del"); }
    };
    ASSERT_TRUE(change("add"));
    const Removal removal{change};
    LogIn();
    ASSERT_EQ(Engine->IPAddress(), (QStringList{EngineAddress(), sSecond}));
    const auto ownUntouched = [this] {
        const TPVN_LoginUserInformation own = Engine->GetLoginUser(0);
        return Engine->LoginCount() == 1 && own.Machine == kOwn && own.Handle == QStringLiteral("太郎") &&
               !own.Absence;
    };
    const QString sAway =
        QStringLiteral("PVMESSAGE:INFO_CHANGE&|%1&|Parvane2&|%2&|太郎&|2200&|1&|0&|1&|52000&|"
                       "%2\r\n%3\r\n&|会議中")
            .arg(kOwn, EngineAddress(), sSecond);

    SendFrom(QStringLiteral("198.18.0.77"), sAway);
    Drain();
    EXPECT_EQ(Events(), 0);
    EXPECT_TRUE(ownUntouched());

    RawPeer second;
    ASSERT_TRUE(second.Open(0, sSecond));
    ASSERT_TRUE(second.SendAll(Frame(PeerPacketId(++FPacket) + sAway), EngineAddress()));
    ASSERT_TRUE(WaitUntil([this] { return FEvents[QStringLiteral("OnInfoChange")] == 1; }));
    EXPECT_TRUE(Engine->GetLoginUser(0).Absence);
    EXPECT_EQ(Engine->GetLoginUser(0).AbsenceTitle, QStringLiteral("会議中"));
    EXPECT_EQ(Engine->LoginCount(), 1);
}

// A flood of log-ins in this copy's name leaves its entry as this copy reported it.
TEST_F(OwnName, AThousandForgedLogInsLeaveTheOwnEntryAlone)
{
    LogIn();
    // In batches that the socket's buffer holds, each read to its end.
    for (int i = 0; i < 1000; ++i) {
        SendFrom(PeerAddress(),
                 kClaims[0].In(kOwn, EngineAddress()).replace(QStringLiteral("偽者"), QString::number(i)));
        if (i % 20 == 19)
            Drain();
    }
    EXPECT_EQ(Events(), 0);
    EXPECT_TRUE(OwnEntryUntouched());
    // The own copy's own records still count.
    Engine->SetAbsence(true);
    ASSERT_TRUE(Engine->InformationUpdate());
    EXPECT_TRUE(WaitUntil([this] { return Engine->GetLoginUser(0).Absence; }));
}

} // namespace
