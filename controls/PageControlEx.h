#pragma once

#include <QColor>
#include <QPixmap>
#include <QTabWidget>

class QKeyEvent;

// A tab control whose pages show the style's tab body behind their controls, and
// whose check boxes, radio buttons and push buttons placed directly on a page
// take the colour of the body at their centres. The body is rendered once and
// again after the style or palette changes, at the next page paint.
class TPageControlEx : public QTabWidget {
    Q_OBJECT

public:
    explicit TPageControlEx(QWidget* parent = nullptr);

    // Once the pages are in place: renders the body and lets every page paint it.
    void Loaded();
    // Recolours the buttons of every page; runs when the active page changes.
    void Change();
    // The body's colour at the control's centre in its page; the button face without a body.
    QColor BackgroundColorAt(const QWidget* control) const;
    const QPixmap& BackGround() const { return PrBackGround; }

    // The keys that turn the pages: 1 for Ctrl+Tab and Ctrl+PageDown, -1 for
    // Ctrl+Shift+Tab and Ctrl+PageUp, 0 for any other key.
    static int PageKeyStep(const QKeyEvent& event);
    // To the next or the previous page whose tab shows and is enabled, round the ends.
    void SelectNextPage(bool bGoForward);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateBackground();

    QPixmap PrBackGround;
    QImage PrBackGroundImage;
    bool PrThemeChange = false;
};
