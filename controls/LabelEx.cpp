#include "LabelEx.h"

#include <QEnterEvent>

TFontStyles FontStylesOf(const QFont& font)
{
    TFontStyles styles = 0;
    if (font.bold())
        styles |= fsBold;
    if (font.italic())
        styles |= fsItalic;
    if (font.underline())
        styles |= fsUnderline;
    if (font.strikeOut())
        styles |= fsStrikeOut;
    return styles;
}

void ApplyFontStyles(QFont& font, TFontStyles styles)
{
    font.setBold(styles & fsBold);
    font.setItalic(styles & fsItalic);
    font.setUnderline(styles & fsUnderline);
    font.setStrikeOut(styles & fsStrikeOut);
}

TLabelEx::TLabelEx(QWidget* parent) : QLabel(parent) {}

TLabelEx::TLabelEx(const QString& sText, QWidget* parent) : QLabel(sText, parent) {}

QColor TLabelEx::FontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TLabelEx::SetFontColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void TLabelEx::TakeLeaveValues()
{
    if (PrLeaveColor.isValid())
        return;
    PrLeaveColor = FontColor();
    PrLeaveStyle = FontStylesOf(font());
}

void TLabelEx::Apply(const QColor& color, TFontStyles styles)
{
    QFont f = font();
    ApplyFontStyles(f, styles);
    setFont(f);
    SetFontColor(color);
}

void TLabelEx::enterEvent(QEnterEvent* event)
{
    TakeLeaveValues();
    Apply(FHoverColor, FHoverStyle);
    event->accept();
}

void TLabelEx::leaveEvent(QEvent* event)
{
    TakeLeaveValues();
    Apply(PrLeaveColor, PrLeaveStyle);
    event->accept();
}
