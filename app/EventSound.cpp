#include "EventSound.h"

#include "Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <algorithm>

static_assert(SoundEventCount == SoundFileCount, "one wave file per event");

namespace {

// One effect for the whole program, so the next sound cuts off the one before,
// as the system's own asynchronous player does.
class TWavePlayer : public TSoundPlayer {
public:
    void Beep() override { QApplication::beep(); }

    void PlayWave(const QString& sFileName) override
    {
        if (FEffect)
            FEffect->stop();
        const QFileInfo info(sFileName);
        if (sFileName.isEmpty() || !info.isFile() || !info.isReadable())
            return;
        if (!FEffect)
            FEffect = std::make_unique<QSoundEffect>();
        FEffect->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
        FEffect->play();
    }

private:
    std::unique_ptr<QSoundEffect> FEffect;
};

std::unique_ptr<TSoundPlayer>& Player()
{
    static std::unique_ptr<TSoundPlayer> player;
    return player;
}

qint64 SteadyNow()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

struct TGateState {
    std::function<qint64()> clock = SteadyNow;
    TEventSoundGate gate;
};

TGateState& Gate()
{
    static TGateState state;
    return state;
}

} // namespace

bool TEventSoundGate::Allow(int iIndex, const QString& sPeer, qint64 iNowMs)
{
    if (iIndex < 0 || iIndex >= SoundEventCount)
        return false;
    const auto key = std::make_pair(iIndex, sPeer);
    if (const auto rung = FRungAt.find(key);
        rung != FRungAt.end() && iNowMs - rung->second < SoundSameEventGapMs)
        return false;
    // A ring whose second is over holds nothing back.
    std::erase_if(FRungAt, [&](const auto& rung) { return iNowMs - rung.second >= SoundSameEventGapMs; });
    if (FRungAt.size() >= size_t(SoundGatePeerLimit))
        FRungAt.erase(std::min_element(FRungAt.begin(), FRungAt.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; }));
    FRungAt[key] = iNowMs;
    return true;
}

qsizetype TEventSoundGate::Remembered() const
{
    return qsizetype(FRungAt.size());
}

void EventSoundClockSet(std::function<qint64()> clock)
{
    Gate().clock = clock ? std::move(clock) : std::function<qint64()>(SteadyNow);
    Gate().gate = TEventSoundGate();
}

TSoundPlayer& SoundPlayer()
{
    if (!Player())
        Player() = std::make_unique<TWavePlayer>();
    return *Player();
}

void SoundPlayerSet(std::unique_ptr<TSoundPlayer> player)
{
    Player() = std::move(player);
}

void EventSoundPlay(int iIndex, const QString& sPeer)
{
    if (CustomizeSoundKind != SoundKindBeep && CustomizeSoundKind != SoundKindWave)
        return;
    if (!Gate().gate.Allow(iIndex, sPeer, Gate().clock()))
        return;
    if (CustomizeSoundKind == SoundKindBeep)
        SoundPlayer().Beep();
    else if (CustomizeSoundKind == SoundKindWave && iIndex >= 0 && iIndex < SoundFileCount)
        SoundPlayer().PlayWave(CustomizeSoundFile[iIndex]);
}

void SoundFilePlay(const QString& sFileName)
{
    SoundPlayer().PlayWave(sFileName);
}
