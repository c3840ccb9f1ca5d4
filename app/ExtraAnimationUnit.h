#pragma once

#include "AnimationUnit.h"

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QVector>
#include <QWidget>

// The comet of an arriving message: a 32 x 32 picture that falls through the
// pointer from its upper right to its lower left, growing and then fading.

struct TCometFrame {
    QRect Image;    // where the picture is drawn, stretched, in the window
    int Offset = 0; // the centre's offset along the diagonal: +16 upper right .. -16 lower left
    int Alpha = 0;  // the window's opacity, 0..255
};
inline constexpr float CometStart = 64.0f;
inline constexpr int CometIntervalMs = 15;
inline constexpr int CometSize = 32;

// The frame of parameter P.
TCometFrame CometFrame(float P);
// The parameter after P; the comet ends when it is no longer above 1.
float CometNext(float P);
// Every frame from the start to the last.
QVector<TCometFrame> CometFrames();
// The window's top-left corner for the pointer at cursor.
QPoint CometWindowPosition(const QPoint& cursor, const TCometFrame& frame);
// The comet on black: its yellow head at the lower left, its tail to the upper right.
QImage CometImage();

class TExtraAnimationForm : public QWidget {
    Q_OBJECT

public:
    // Starts at once: the first frame shows before the constructor returns.
    TExtraAnimationForm();

    void tmAnimationTimer();
    float Position() const { return prPosition; }

    QTimer tmAnimation;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float prPosition = CometStart;
    QRect PrImage;
    TAnimationSlot FSlot;
};
