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
        for (int i = 0; i < SoundFileCount; ++i)
            CustomizeSoundFile[i] = QStringLiteral("/s/%1.wav").arg(i);
    }
    void TearDown() override
    {
        SoundPlayerSet(nullptr);
        CustomizeSoundKind = 0;
        CustomizeSoundFile = {};
    }
    QStringList FCalls;
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

} // namespace
