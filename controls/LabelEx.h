#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;

TFontStyles FontStylesOf(const QFont& font);
void ApplyFontStyles(QFont& font, TFontStyles styles);

// A link label that changes its font colour and style while the mouse is over it.
class TLabelEx : public QLabel {
    Q_OBJECT

public:
    explicit TLabelEx(QWidget* parent = nullptr);
    explicit TLabelEx(const QString& sText, QWidget* parent = nullptr);

    QColor HoverColor() const { return FHoverColor; }
    void SetHoverColor(const QColor& color) { FHoverColor = color; }
    TFontStyles HoverStyle() const { return FHoverStyle; }
    void SetHoverStyle(TFontStyles styles) { FHoverStyle = styles; }

    // The label's font colour, as its text is drawn.
    QColor FontColor() const;
    void SetFontColor(const QColor& color);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void TakeLeaveValues();
    void Apply(const QColor& color, TFontStyles styles);

    // The colour and style to put back when the mouse leaves, taken at the first hover.
    QColor PrLeaveColor;
    TFontStyles PrLeaveStyle = 0;
    QColor FHoverColor = Qt::red;
    TFontStyles FHoverStyle = fsUnderline;
};
