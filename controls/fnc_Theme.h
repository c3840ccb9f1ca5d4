#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

class QPainter;
class QStyle;
class QWidget;

// The visual theme as the pages of a tab control need it, taken from the
// application's Qt style: whether there is one to draw with, the tab body's
// texture and the colours of its palette. Without a style it answers as an
// unthemed system would: not active, nothing drawn, the plain button colour.
class TTheme {
public:
    TTheme();

    // A style is there to draw with.
    bool ThemeActive() const { return FThemeActive; }
    // The style draws a tab body of its own (every Qt style does; a missing one does not).
    bool IsThemeActive() const;
    // Draws the tab body (the pane under the tabs) of the widget into rect; false when not drawn.
    bool DrawThemeBackground(QPainter& painter, const QRect& rect, const QWidget* widget) const;
    // A colour of the style's palette; the button face without a style.
    QColor GetThemeColor(QPalette::ColorRole role) const;

private:
    QStyle* PrStyle = nullptr;
    bool FThemeActive = false;
};
