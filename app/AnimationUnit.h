#pragma once

#include <QPoint>
#include <QRegion>
#include <QTimer>
#include <QWidget>

// The pointer animations of an arriving message: kinds 1 (circle) and 2 (square)
// in a shaped window, kind 3 (the comet) in ExtraAnimationUnit. Each window runs
// on its own timer, follows the pointer and frees itself; several can run at once.

inline constexpr int AnimationKindNone = 0;
inline constexpr int AnimationKindCircle = 1;
inline constexpr int AnimationKindSquare = 2;
inline constexpr int AnimationKindComet = 3;

// One frame of the shaped window, in window coordinates around (125, 125).
struct TAnimationFrame {
    enum TKind {
        Shape, // Region is the window's shape
        Whole, // no shape: the whole window shows (a kind the options do not offer)
        Close  // the animation is over
    } Kind = Close;
    QRegion Region;
};
inline constexpr int AnimationFrameCount = 15;
// The animations that run at once. Each frame asks the X server where the
// pointer is, and a burst of arrivals (thirty colleagues at once) would start
// one each and leave the program behind its socket; a few show the burst as
// well, and the arrivals past them start none.
inline constexpr int AnimationRunningLimit = 3;

// Held by each animation window for its life: how many run now.
class TAnimationSlot {
public:
    TAnimationSlot() { ++FRunning; }
    ~TAnimationSlot() { --FRunning; }
    TAnimationSlot(const TAnimationSlot&) = delete;
    TAnimationSlot& operator=(const TAnimationSlot&) = delete;
    static int Running() { return FRunning; }

private:
    static inline int FRunning = 0;
};
inline constexpr int AnimationIntervalMs = 50;
inline const QSize AnimationClientSize(242, 223);

// Frames 0-4 shrink the kind's shape, 5-9 grow a line from the centre, 10-14
// open a gap in it; from frame 15 on the window closes.
TAnimationFrame AnimationFrame(int iKind, int iFrame);
// The window's top-left corner for the pointer at cursor: the shapes' centre
// then lies one pixel right of the pointer.
QPoint AnimationWindowPosition(const QPoint& cursor);

class TAnimationForm : public QWidget {
    Q_OBJECT

public:
    TAnimationForm();

    // Runs one frame: a new random colour, the frame's shape, the place at the pointer.
    void AnimationTimerTimer();
    void Placement();

    QTimer AnimationTimer;
    int PuAnimationType = 0;
    int AnimationCounter() const { return PrAnimationCounter; }

private:
    int PrAnimationCounter = 0;
    TAnimationSlot FSlot;
};

// Starts the animation of the kind (AnimationMouse) unless AnimationRunningLimit
// run already; the caller skips kind 0.
void MouseAnimationStart(int iKind);
