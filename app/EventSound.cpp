#include "EventSound.h"

#include "Settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

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

} // namespace

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

void EventSoundPlay(int iIndex)
{
    if (CustomizeSoundKind == SoundKindBeep)
        SoundPlayer().Beep();
    else if (CustomizeSoundKind == SoundKindWave && iIndex >= 0 && iIndex < SoundFileCount)
        SoundPlayer().PlayWave(CustomizeSoundFile[iIndex]);
}

void SoundFilePlay(const QString& sFileName)
{
    SoundPlayer().PlayWave(sFileName);
}
