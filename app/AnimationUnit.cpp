#include "AnimationUnit.h"

#include "ExtraAnimationUnit.h"

#include <QCursor>
#include <QPalette>
#include <QPolygon>
#include <QRandomGenerator>

namespace {

constexpr int kCentre = 125;
constexpr int kShapeFrames = 5;
constexpr int kGrowFrames = 10;
// The line of the gap frames is as long as the grown line's last step allows.
const QRect kFullLine(85, kCentre, 80, 1);

// A rectangle given by its corners as the region calls take them: the right
// and bottom edges are outside.
QRect Corners(int iLeft, int iTop, int iRight, int iBottom)
{
    return QRect(iLeft, iTop, iRight - iLeft, iBottom - iTop);
}

} // namespace

TAnimationFrame AnimationFrame(int iKind, int iFrame)
{
    if (iFrame < 0 || iFrame >= AnimationFrameCount)
        return {TAnimationFrame::Close, QRegion()};
    if (iFrame < kShapeFrames) {
        const int s = 5 * iFrame;
        const QRect square = Corners(100 + s, 100 + s, 150 - s, 150 - s);
        if (iKind == AnimationKindCircle)
            return {TAnimationFrame::Shape, QRegion(square, QRegion::Ellipse)};
        if (iKind != AnimationKindSquare)
            return {TAnimationFrame::Whole, QRegion()};
        if (iFrame % 2 == 0)
            return {TAnimationFrame::Shape, QRegion(square)};
        const QPolygon diamond({QPoint(100 + s, kCentre), QPoint(kCentre, 100 + s), QPoint(150 - s, kCentre),
                                QPoint(kCentre, 150 - s)});
        return {TAnimationFrame::Shape, QRegion(diamond, Qt::WindingFill)};
    }
    if (iFrame < kGrowFrames) {
        const int t = 8 * (iFrame - kShapeFrames);
        return {TAnimationFrame::Shape, QRegion(Corners(kCentre - t, kCentre, kCentre + 1 + t, kCentre + 1))};
    }
    const int t = 8 * (iFrame - kGrowFrames);
    return {TAnimationFrame::Shape,
            QRegion(kFullLine).subtracted(QRegion(Corners(kCentre - t, kCentre, kCentre + t, kCentre + 1)))};
}

QPoint AnimationWindowPosition(const QPoint& cursor)
{
    return cursor - QPoint(kCentre - 1, kCentre);
}

TAnimationForm::TAnimationForm()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
{
    setObjectName(QStringLiteral("AnimationForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
    setAutoFillBackground(true);
    setFixedSize(AnimationClientSize);
    AnimationTimer.setInterval(AnimationIntervalMs);
    connect(&AnimationTimer, &QTimer::timeout, this, &TAnimationForm::AnimationTimerTimer);
}

void TAnimationForm::AnimationTimerTimer()
{
    const TAnimationFrame frame = AnimationFrame(PuAnimationType, PrAnimationCounter);
    ++PrAnimationCounter;
    if (frame.Kind == TAnimationFrame::Close) {
        AnimationTimer.stop();
        close();
        return;
    }
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor::fromRgb(QRandomGenerator::global()->bounded(0xFFFFFF)));
    setPalette(colours);
    if (frame.Kind == TAnimationFrame::Shape)
        setMask(frame.Region);
    else
        clearMask();
    // The frame's new shape repaints the window, which follows the pointer there.
    Placement();
}

void TAnimationForm::Placement()
{
    move(AnimationWindowPosition(QCursor::pos()));
    if (!isVisible())
        show();
}

void MouseAnimationStart(int iKind)
{
    if (TAnimationSlot::Running() >= AnimationRunningLimit)
        return;
    if (iKind == AnimationKindComet) {
        new TExtraAnimationForm();
        return;
    }
    auto* form = new TAnimationForm();
    form->PuAnimationType = iKind;
    form->AnimationTimer.start();
    form->AnimationTimerTimer();
}
