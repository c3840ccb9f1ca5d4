#pragma once

#include <QRect>
#include <QSize>
#include <QtGlobal>

// The rules of the pop-up notice, kept apart from its window: whether a notice
// shows, how it fades in, waits and fades out, and where it stands.

enum TNoticePosition {
    npTopLeft,
    npTopCenter,
    npTopRight,
    npCenter,
    npBottomLeft,
    npBottomCenter,
    npBottomRight
};

// The settings of the notices, as the options hold them.
struct TNoticeSettings {
    bool bAutoClose = true;
    bool bAutoCloseAbsenceCancel = false;
    bool bAbsenceHide = true;
};
// No notice shows while away with the hide setting on, unless away notices are
// kept open instead (auto close with the cancel while away).
bool NoticeSuppressed(const TNoticeSettings& settings, bool bAbsence);
// Whether an event's notice closes by itself: not while away when away notices are kept open.
bool NoticeMessageAutoClose(const TNoticeSettings& settings, bool bAbsence);

enum class TNoticeFadeAnimation { faIn, faWait, faOut };

// The fade of one notice window, driven by its timer with the time of each tick.
class TNoticeFade {
public:
    static constexpr int TickMs = 15;
    static constexpr int Step = 5;
    static constexpr int MaxAlpha = 192;
    static constexpr int BaseWaitMs = 500;
    static constexpr int PerCharacterMs = 100;
    // A refresh on a large LAN adds a line per user; the notice still goes in time.
    static constexpr int MaxWaitMs = 15000;

    // A line of iCharacters more: a longer wait, and a notice fading out fades in again.
    void AddLine(qsizetype iCharacters);
    // A click: fade out at once.
    void Click() { FPhase = TNoticeFadeAnimation::faOut; }
    // One tick at iNowMs; false when the notice has faded out and is to close.
    bool Tick(quint32 iNowMs, bool bAutoClose);

    TNoticeFadeAnimation Phase() const { return FPhase; }
    int Alpha() const { return FAlpha; }
    int WaitCount() const { return FWaitCount; }
    // How long the notice has waited, at most its wait; 0 before the wait began.
    int Elapsed(quint32 iNowMs) const;

private:
    TNoticeFadeAnimation FPhase = TNoticeFadeAnimation::faIn;
    int FAlpha = 0;
    bool FWaitStarted = false;
    quint32 FWaitStart = 0;
    int FWaitCount = BaseWaitMs;
};

// The window's height for n lines, and how many lines fit into a work area of this height.
inline constexpr int NoticeLineHeight = 14;
inline constexpr int NoticeChromeHeight = 64;
inline constexpr int NoticeMargin = 5;
int NoticeHeight(int iLines);
int NoticeLinesThatFit(int iWorkHeight);
// Notices that keep coming keep the window open: it keeps no more lines than the
// tallest work area shows, so a peer's flood of log-ins cannot grow it without end.
inline constexpr int NoticeLinesKeptMax = 256;

// The window's place in the work area at the position; a size larger than the
// work area is first cut to it (less the margins).
QRect NoticePlacement(int iPosition, QSize size, const QRect& workArea);
