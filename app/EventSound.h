#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>
#include <utility>

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

// A flood of log-ins and log-outs would ring one sound after another without end:
// the same event's sound of the same peer rings at most once in this time.
inline constexpr qint64 SoundSameEventGapMs = 1000;
inline constexpr int SoundEventCount = SoundChatMessage + 1;
// The peers whose last ring the gate remembers: their names come from the
// network, where any machine can send as many as it likes. Well above the
// colleagues one office hears in a second; past it the one that rang longest
// ago is forgotten, and may ring early.
inline constexpr int SoundGatePeerLimit = 256;

// Which event sounds ring: the same event's of the same peer at most once in
// SoundSameEventGapMs, counted from the last time it rang, not from the last
// time it was asked for. A peer is any text that tells one sender from another;
// events of no peer share the empty one.
class TEventSoundGate {
public:
    bool Allow(int iIndex, const QString& sPeer, qint64 iNowMs);
    // How many rings it remembers now.
    qsizetype Remembered() const;

private:
    // When each event of each peer last rang, for the rings of the last SoundSameEventGapMs.
    std::map<std::pair<int, QString>, qint64> FRungAt;
};

// By CustomizeSoundKind: a beep, the event's wave file, or nothing; a sound the
// gate holds back is not rung. The player holds one sound, so a new one cuts
// off the one playing rather than sound over it.
void EventSoundPlay(int iIndex, const QString& sPeer = QString());
// The gate's millisecond clock, a steady one; tests set their own, which also
// has the gate forget what rang. An empty function puts the steady clock back.
void EventSoundClockSet(std::function<qint64()> clock);
// The options window's test button: the file whatever the kind.
void SoundFilePlay(const QString& sFileName);
