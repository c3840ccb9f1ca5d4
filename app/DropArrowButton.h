#pragma once

#include <QLine>
#include <QToolButton>
#include <QVector>
#include <functional>

// The small down-pointing arrow of the buttons that open the away menu: three
// lines, 5, 3 and 1 pixels long, the first at (x, y).
QVector<QLine> DropArrowLines(int x, int y);

// A tool button that draws the arrow over what the style draws: at 25 pixels
// from its left edge (the away button of the tool bar), or 25 pixels plus the
// text's width (the status bar's state panel). While the button is down or
// pressed, the arrow moves one pixel right and down.
class TDropArrowButton : public QToolButton {
public:
    enum class TPlacement { Fixed, AfterText };
    TDropArrowButton(TPlacement placement, QWidget* parent);

    // The arrow's first point as it is drawn now.
    QPoint ArrowOrigin() const;
    // Whether the arrow is drawn (always, unless told otherwise).
    bool ArrowShown() const { return FArrowShown; }
    void SetArrowShown(bool bShown);

    // Raised when any mouse button is released over the button.
    std::function<void()> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QSize sizeHint() const override;

private:
    TPlacement FPlacement;
    bool FArrowShown = true;
};
