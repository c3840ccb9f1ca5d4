#include "MarkLabel.h"

#include <QPainter>

TMarkLabel::TMarkLabel(QWidget* parent) : QLabel(parent)
{
    AdjustBounds();
}

TMarkLabel::TMarkLabel(const QString& sText, QWidget* parent) : QLabel(sText, parent)
{
    AdjustBounds();
}

void TMarkLabel::SetMark(const QString& sMark)
{
    FMark = sMark;
    AdjustBounds();
}

void TMarkLabel::SetMarkColor(const QColor& color)
{
    FMarkColor = color;
    AdjustBounds();
}

void TMarkLabel::SetMarkPadding(int iPadding)
{
    FMarkPadding = iPadding;
    AdjustBounds();
}

void TMarkLabel::SetAutoSize(bool b)
{
    FAutoSize = b;
    AdjustBounds();
}

void TMarkLabel::SetCaption(const QString& sText)
{
    setText(sText);
    AdjustBounds();
}

QSize TMarkLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(FMark) + FMarkPadding + metrics.horizontalAdvance(text()),
                 metrics.height());
}

QSize TMarkLabel::minimumSizeHint() const
{
    return sizeHint();
}

void TMarkLabel::AdjustBounds()
{
    updateGeometry();
    if (FAutoSize)
        resize(sizeHint());
    update();
}

void TMarkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    QRect r = contentsRect();
    const int iFlags = int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine);
    painter.setPen(FMarkColor);
    painter.drawText(r, iFlags, FMark);
    r.setLeft(r.left() + QFontMetrics(font()).horizontalAdvance(FMark) + FMarkPadding);
    // The caption keeps its colour when the label is disabled.
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    painter.drawText(r, iFlags, text());
}
