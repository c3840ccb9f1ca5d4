// The event sounds by the sound kind, through a player that records what it was asked.
#include "EventSound.h"

#include "Settings.h"

#include <QStringList>
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
        EXPECT_EQ(gate.Allow(step.iIndex, step.iNowMs), step.bRings);
    }
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

} // namespace
