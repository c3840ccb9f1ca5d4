#include "DropArrowButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kArrowOffset = 25;
constexpr int kArrowWidth = 5;
constexpr int kArrowLines = 3;

} // namespace

QVector<QLine> DropArrowLines(int x, int y)
{
    QVector<QLine> lines;
    // QLine's end point is drawn, the arrow's is not: each line stops one short.
    for (int k = 0; k < kArrowLines; ++k)
        lines.append(QLine(x + k, y + k, x + kArrowWidth - k - 1, y + k));
    return lines;
}

TDropArrowButton::TDropArrowButton(TPlacement placement, QWidget* parent)
    : QToolButton(parent), FPlacement(placement)
{
}

QPoint TDropArrowButton::ArrowOrigin() const
{
    int x = kArrowOffset;
    if (FPlacement == TPlacement::AfterText)
        x += fontMetrics().horizontalAdvance(text());
    QPoint origin(x, height() / 2 - 1);
    if (isDown() || isChecked())
        origin += QPoint(1, 1);
    return origin;
}

void TDropArrowButton::SetArrowShown(bool bShown)
{
    if (bShown == FArrowShown)
        return;
    FArrowShown = bShown;
    update();
}

void TDropArrowButton::mouseReleaseEvent(QMouseEvent* event)
{
    QToolButton::mouseReleaseEvent(event);
    if (OnMouseUp && rect().contains(event->position().toPoint()))
        OnMouseUp();
}

void TDropArrowButton::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    if (!FArrowShown)
        return;
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QPoint origin = ArrowOrigin();
    painter.drawLines(DropArrowLines(origin.x(), origin.y()));
}

QSize TDropArrowButton::sizeHint() const
{
    QSize size = QToolButton::sizeHint();
    // Room for the arrow after the picture or the text.
    const int needed = ArrowOrigin().x() + kArrowWidth + 4;
    if (size.width() < needed)
        size.setWidth(needed);
    return size;
}
