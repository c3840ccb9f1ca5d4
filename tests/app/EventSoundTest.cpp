// The event sounds by the sound kind, through a player that records what it was asked.
#include "EventSound.h"

#include "ChatUnit.h"
#include "IEViewer.h"
#include "MainFormFixture.h"
#include "RecordSender.h"
#include "Settings.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

class TRecordingPlayer : public TSoundPlayer {
public:
    explicit TRecordingPlayer(QStringList& calls) : FCalls(calls) {}
    void Beep() override { FCalls << QStringLiteral("beep"); }
    void PlayWave(const QString& sFileName) override { FCalls << QStringLiteral("wave ") + sFileName; }

private:
    QStringList& FCalls;
};

class EventSoundTest : public testing::Test {
protected:
    void SetUp() override
    {
        SoundPlayerSet(std::make_unique<TRecordingPlayer>(FCalls));
        EventSoundClockSet([this] { return FNowMs; });
        for (int i = 0; i < SoundFileCount; ++i)
            CustomizeSoundFile[i] = QStringLiteral("/s/%1.wav").arg(i);
    }
    void TearDown() override
    {
        SoundPlayerSet(nullptr);
        EventSoundClockSet(nullptr);
        CustomizeSoundKind = 0;
        CustomizeSoundFile = {};
    }
    QStringList FCalls;
    qint64 FNowMs = 0;
};

TEST_F(EventSoundTest, EachKindPlaysItsOwnSoundForEveryEvent)
{
    const struct {
        int iKind;
        int iIndex;
        QStringList slCalls;
    } cases[] = {
        {0, 2, {}},
        {1, 0, {"beep"}},
        {1, 7, {"beep"}},
        {2, 0, {"wave /s/0.wav"}},
        {2, 5, {"wave /s/5.wav"}},
        {2, 7, {"wave /s/7.wav"}},
        // A kind the options do not offer plays nothing, and so does an index beyond the files.
        {5, 2, {}},
        {2, 8, {}},
        {2, -1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.iKind << " index " << c.iIndex);
        FCalls.clear();
        FNowMs += SoundSameEventGapMs;
        CustomizeSoundKind = c.iKind;
        EventSoundPlay(c.iIndex);
        EXPECT_EQ(FCalls, c.slCalls);
    }
}

TEST_F(EventSoundTest, AnEmptyFileNameIsHandedOnAndTheTestButtonIgnoresTheKind)
{
    CustomizeSoundKind = 2;
    CustomizeSoundFile[2].clear();
    EventSoundPlay(2);
    CustomizeSoundKind = 0;
    SoundFilePlay(QStringLiteral("/t/test.wav"));
    EXPECT_EQ(FCalls, (QStringList{"wave ", "wave /t/test.wav"}));
}

TEST(EventSoundGate, AnEventRingsAgainOnlyASecondAfterItLastRang)
{
    const struct {
        int iIndex;
        qint64 iNowMs;
        bool bRings;
    } steps[] = {
        {SoundLogin, 0, true},
        {SoundLogin, 500, false},
        // Asking again does not put the next ring off: the second counts from the ring.
        {SoundLogin, 999, false},
        {SoundLogin, 1000, true},
        // Each event has its own second.
        {SoundLogout, 1001, true},
        {SoundChatMessage, 1002, true},
        {SoundLogout, 1500, false},
        {SoundLogin, 1999, false},
        {SoundLogin, 2000, true},
        {SoundLogout, 2001, true},
        // No event beyond the table rings.
        {SoundEventCount, 5000, false},
        {-1, 5000, false},
    };
    TEventSoundGate gate;
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "event " << step.iIndex << " at " << step.iNowMs);
        EXPECT_EQ(gate.Allow(step.iIndex, QStringLiteral("PVHOST2"), step.iNowMs), step.bRings);
    }
}

// Two colleagues who write within a second are both heard; the same colleague
// within the second is not.
TEST(EventSoundGate, EachPeerHasASecondOfItsOwnForEachEvent)
{
    const struct {
        int iIndex;
        const char* sPeer;
        qint64 iNowMs;
        bool bRings;
    } steps[] = {
        {SoundMessage, "PVHOST2", 0, true},
        {SoundMessage, "PVHOST3", 400, true},
        {SoundMessage, "PVHOST2", 600, false},
        {SoundMessage, "PVHOST3", 900, false},
        {SoundMessage, "PVHOST2", 1000, true},
        {SoundChatMessage, "PVHOST2", 1001, true},
        {SoundChatMessage, "PVHOST4", 1002, true},
        {SoundMessage, "PVHOST3", 1400, true},
        // The events of no peer share one second.
        {SoundLogin, "", 1500, true},
        {SoundLogin, "", 1600, false},
        {SoundLogin, "PVHOST2", 1700, true},
    };
    TEventSoundGate gate;
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message()
                     << "event " << step.iIndex << " of " << step.sPeer << " at " << step.iNowMs);
        EXPECT_EQ(gate.Allow(step.iIndex, QString::fromLatin1(step.sPeer), step.iNowMs), step.bRings);
    }
}

// One peer that writes every 10 ms for eleven seconds rings about once a second,
// while a colleague who writes every 1.1 s meanwhile is heard each time.
TEST(EventSoundGate, OnePeersFloodStaysBoundedWhileAColleagueIsHeard)
{
    TEventSoundGate gate;
    int iFlood = 0;
    int iColleague = 0;
    int iColleagueAsked = 0;
    for (qint64 iNow = 0; iNow < 11000; iNow += 10) {
        iFlood += gate.Allow(SoundMessage, QStringLiteral("FLOOD"), iNow);
        if (iNow % 1100 == 0) {
            ++iColleagueAsked;
            iColleague += gate.Allow(SoundMessage, QStringLiteral("PVHOST3"), iNow);
        }
    }
    EXPECT_GE(iFlood, 11);
    EXPECT_LE(iFlood, 12);
    EXPECT_EQ(iColleague, iColleagueAsked);
}

// Names from the network are without end: the gate remembers a bounded number,
// the newest, so the newest are still held back.
TEST(EventSoundGate, ItRemembersNoMoreThanItsLimitOfPeers)
{
    TEventSoundGate gate;
    const int iPeers = 4 * SoundGatePeerLimit;
    for (int i = 0; i < iPeers; ++i)
        EXPECT_TRUE(gate.Allow(SoundMessage, QStringLiteral("FORGED%1").arg(i), i / 8)) << i;
    EXPECT_LE(gate.Remembered(), SoundGatePeerLimit);
    EXPECT_FALSE(gate.Allow(SoundMessage, QStringLiteral("FORGED%1").arg(iPeers - 1), iPeers / 8));
    // A second later every ring is over, and one remembered ring is all there is.
    EXPECT_TRUE(gate.Allow(SoundMessage, QStringLiteral("PVHOST2"), iPeers / 8 + SoundSameEventGapMs));
    EXPECT_EQ(gate.Remembered(), 1);
}

// A peer that logs in and out a thousand times in eleven seconds rings each of
// its two sounds about once a second, not two thousand times.
TEST_F(EventSoundTest, AThousandLogInsAndOutsRingAFewDozenSounds)
{
    for (int iKind : {SoundKindBeep, SoundKindWave}) {
        SCOPED_TRACE(testing::Message() << "kind " << iKind);
        CustomizeSoundKind = iKind;
        FCalls.clear();
        FNowMs += 10 * SoundSameEventGapMs;
        for (int i = 0; i < 1000; ++i) {
            FNowMs += 11;
            EventSoundPlay(i % 2 == 0 ? SoundLogin : SoundLogout);
        }
        EXPECT_GE(FCalls.size(), 20);
        EXPECT_LE(FCalls.size(), 24);
        if (iKind == SoundKindWave) {
            EXPECT_EQ(FCalls.count(QStringLiteral("wave /s/0.wav")),
                      FCalls.count(QStringLiteral("wave /s/1.wav")));
        }
    }
}

// The main window rings for two colleagues who write 400 ms apart, by message
// and in the chat room, and holds back the first one's second message.
class EventSoundWindowTest : public MainFormFixture {
protected:
    void CloseWindows() override { ChatFormRelease(); }
    void TearDown() override
    {
        FForm.reset();
        SoundPlayerSet(nullptr);
        EventSoundClockSet(nullptr);
        MainFormFixture::TearDown();
    }
};

TEST_F(EventSoundWindowTest, TwoColleaguesWritingWithinASecondAreBothHeard)
{
    QStringList slCalls;
    SoundPlayerSet(std::make_unique<TRecordingPlayer>(slCalls));
    qint64 iNowMs = 0;
    EventSoundClockSet([&] { return iNowMs; });
    WriteIni("[Option]\r\nCustomizeSoundKind=2\r\nCustomizeSoundFile2=/s/message.wav\r\n"
             "CustomizeSoundFile7=/s/chat.wav\r\nAnimationMouse=0\r\nNoticeRecv=0\r\n");
    TMainForm& form = Start();
    form.Windows->ChatFormShow();
    const struct {
        const char* sName;
        std::function<void(const QString&, int)> write;
        // The i-th has been taken in: a message at once, a chat line when the loop comes round.
        std::function<bool(int)> taken;
        QString sWave;
    } kinds[] = {
        {"message",
         [&](const QString& sMachine, int i) {
             form.PVNMessage(form.PVN.get(), QStringLiteral("用件%1").arg(i), QStringLiteral("m%1").arg(i),
                             false, sMachine, sMachine, QStringLiteral("Parvane2"), QStringLiteral("t"));
         },
         [](int) { return true; }, QStringLiteral("wave /s/message.wav")},
        {"chat line",
         [&](const QString& sMachine, int i) {
             form.PVNChatMessage(form.PVN.get(), QStringLiteral("発言%1").arg(i),
                                 QStringLiteral("c%1").arg(i), sMachine, sMachine, QStringLiteral("Parvane2"),
                                 QStringLiteral("t"));
         },
         [](int i) { return ChatForm->wbLog->HTML().contains(QStringLiteral("発言%1").arg(i)); },
         QStringLiteral("wave /s/chat.wav")},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.sName);
        slCalls.clear();
        iNowMs += 10 * SoundSameEventGapMs;
        const struct {
            qint64 iAfterMs;
            const char* sMachine;
        } writes[] = {{0, "PVHOST2"}, {400, "PVHOST3"}, {200, "PVHOST2"}, {800, "PVHOST3"}};
        int i = 0;
        for (const auto& write : writes) {
            iNowMs += write.iAfterMs;
            kind.write(QString::fromLatin1(write.sMachine), i);
            ASSERT_TRUE(WaitUntil([&] { return kind.taken(i); }, 5000));
            ++i;
        }
        // PVHOST2 at 0, PVHOST3 at 400 and 1400 ring; PVHOST2 at 600 is held back.
        EXPECT_EQ(slCalls.join(u',').toStdString(), QStringList(3, kind.sWave).join(u',').toStdString());
    }
}

// The program on the test LAN while a peer in host 2 logs in and out a thousand
// times, as fast as the program reads: each of the two sounds rings about once a
// second, never more, however many log-ins and log-outs arrive.
class EventSoundLanTest : public MainFormLanFixture {
protected:
    void TearDown() override
    {
        FForm.reset();
        SoundPlayerSet(nullptr);
        MainFormLanFixture::TearDown();
    }
};

TEST_F(EventSoundLanTest, AThousandLogInsAndOutsRingAFewDozenSounds)
{
    QStringList slCalls;
    SoundPlayerSet(std::make_unique<TRecordingPlayer>(slCalls));
    WriteIni("[Option]\r\nCustomizeSoundKind=2\r\nCustomizeSoundFile0=/s/in.wav\r\n"
             "CustomizeSoundFile1=/s/out.wav\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    const QString sPeer = FLan->Address(1);
    TestSupport::RecordSender peer(*FLan, 1, sPeer);
    const QString records[] = {
        QStringLiteral("PVMESSAGE:LOGIN&|PVHOST2&|%1&|Parvane2&|花子&|2200&|0&|0&|0&|52000&|%1\r\n&|")
            .arg(sPeer),
        QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST2&|Parvane2")};
    // One record each time the program's loop comes round, so the socket never overflows.
    int iSent = 0;
    testing::AssertionResult sent = testing::AssertionSuccess();
    QTimer toggle;
    toggle.setInterval(2);
    QObject::connect(&toggle, &QTimer::timeout, [&] {
        if (iSent == 2000 || !sent)
            return toggle.stop();
        sent = peer.Send(records[iSent % 2]);
        ++iSent;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    toggle.start();
    // The last log-out has been read once the row is gone.
    ASSERT_TRUE(WaitUntil(
        [&] { return iSent == 2000 && form.LoginUserFind("PVHOST2", "Parvane2") == nullptr; }, 120000));
    ASSERT_TRUE(sent);
    const qint64 iSeconds = elapsed.elapsed() / SoundSameEventGapMs + 1;
    const qsizetype iIn = slCalls.count(QStringLiteral("wave /s/in.wav"));
    const qsizetype iOut = slCalls.count(QStringLiteral("wave /s/out.wav"));
    EXPECT_EQ(iIn + iOut, slCalls.size());
    EXPECT_GE(iIn, 1);
    EXPECT_GE(iOut, 1);
    EXPECT_LE(iIn, iSeconds);
    EXPECT_LE(iOut, iSeconds);
    RecordProperty("seconds", int(iSeconds));
    RecordProperty("sounds", int(slCalls.size()));
}

} // namespace
