#pragma once

#include <QString>
#include <memory>

// The event sounds: a beep, or one wave file per event, played without waiting.

// The events, each the index of its file in CustomizeSoundFile.
enum TEventSound : int {
    SoundLogin = 0,
    SoundLogout = 1,
    SoundMessage = 2,
    SoundChatLogin = 3,
    SoundChatLogout = 4,
    SoundFileRecv = 5,
    SoundControl = 6, // offered in the options, played by no event
    SoundChatMessage = 7
};

inline constexpr int SoundKindNone = 0;
inline constexpr int SoundKindBeep = 1;
inline constexpr int SoundKindWave = 2;

// What makes the noise; tests put a recorder in its place.
class TSoundPlayer {
public:
    virtual ~TSoundPlayer() = default;
    virtual void Beep() = 0;
    // Cuts off the wave that is playing and starts this one; a file that cannot be
    // played leaves it silent.
    virtual void PlayWave(const QString& sFileName) = 0;
};

// The player in use: the program's own until one is set. Setting none puts the
// program's own back.
TSoundPlayer& SoundPlayer();
void SoundPlayerSet(std::unique_ptr<TSoundPlayer> player);

// By CustomizeSoundKind: a beep, the event's wave file, or nothing.
void EventSoundPlay(int iIndex);
// The options window's test button: the file whatever the kind.
void SoundFilePlay(const QString& sFileName);
