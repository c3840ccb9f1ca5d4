#include "PageControlEx.h"

#include "fnc_Theme.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>

TPageControlEx::TPageControlEx(QWidget* parent) : QTabWidget(parent)
{
    connect(this, &QTabWidget::currentChanged, this, [this] { Change(); });
}

void TPageControlEx::Loaded()
{
    UpdateBackground();
    for (int i = 0; i < count(); ++i)
        widget(i)->installEventFilter(this);
}

int TPageControlEx::PageKeyStep(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool bShift = modifiers & Qt::ShiftModifier;
    if ((modifiers & ~Qt::ShiftModifier) != Qt::ControlModifier)
        return 0;
    switch (event.key()) {
    case Qt::Key_Tab:
        return bShift ? -1 : 1;
    case Qt::Key_Backtab:
        return -1;
    case Qt::Key_PageDown:
        return bShift ? 0 : 1;
    case Qt::Key_PageUp:
        return bShift ? 0 : -1;
    default:
        return 0;
    }
}

void TPageControlEx::SelectNextPage(bool bGoForward)
{
    const int iCount = count();
    int i = currentIndex();
    for (int iPass = 1; iPass < iCount; ++iPass) {
        i = (i + (bGoForward ? 1 : -1) + iCount) % iCount;
        if (isTabVisible(i) && isTabEnabled(i)) {
            setCurrentIndex(i);
            return;
        }
    }
}

void TPageControlEx::UpdateBackground()
{
    const TTheme theme;
    QWidget* page = currentWidget();
    if (!theme.IsThemeActive() || page == nullptr) {
        PrBackGround = QPixmap();
        PrBackGroundImage = QImage();
        return;
    }
    // The pane is drawn whole, frame and all, and the part a page covers is kept,
    // so the page shows the body without the pane's edges.
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    const QRect pane = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &option, this);
    QPixmap whole(size());
    whole.fill(Qt::transparent);
    {
        QPainter painter(&whole);
        theme.DrawThemeBackground(painter, pane, this);
    }
    const QRect pageRect(page->mapTo(this, QPoint(0, 0)), page->size());
    PrBackGround = whole.copy(pageRect);
    PrBackGroundImage = PrBackGround.toImage();
}

namespace {

// The page's body shows through the plain containers that lay a page out; a group
// box, a scroll box or a panel that fills its background is drawn over it.
bool OnPageBody(const QWidget* control, const QWidget* page)
{
    for (const QWidget* w = control->parentWidget(); w != nullptr && w != page; w = w->parentWidget()) {
        if (qobject_cast<const QGroupBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w) ||
            w->autoFillBackground())
            return false;
    }
    return true;
}

} // namespace

void TPageControlEx::Change()
{
    for (int i = 0; i < count(); ++i) {
        QWidget* page = widget(i);
        for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
            if (!OnPageBody(button, page))
                continue;
            QPalette colours = button->palette();
            colours.setColor(QPalette::Window, BackgroundColorAt(button));
            colours.setColor(QPalette::Button, BackgroundColorAt(button));
            button->setPalette(colours);
        }
    }
}

QColor TPageControlEx::BackgroundColorAt(const QWidget* control) const
{
    const TTheme theme;
    if (PrBackGroundImage.isNull())
        return theme.GetThemeColor(QPalette::Button);
    // At its place on the page that holds it, which the bitmap covers.
    const QWidget* page = control->parentWidget();
    while (page != nullptr && indexOf(const_cast<QWidget*>(page)) < 0)
        page = page->parentWidget();
    const QPoint offset = page != nullptr ? control->parentWidget()->mapTo(page, QPoint(0, 0)) : QPoint();
    const QPoint centre(offset.x() + control->x() + control->width() / 2,
                        offset.y() + control->y() + control->height() / 2);
    if (!PrBackGroundImage.rect().contains(centre))
        return theme.GetThemeColor(QPalette::Button);
    return QColor(PrBackGroundImage.pixel(centre));
}

void TPageControlEx::changeEvent(QEvent* event)
{
    QTabWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
        PrThemeChange = true;
}

bool TPageControlEx::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        // Built before the window was laid out, the body had the wrong size.
        const QSize pageSize = static_cast<QWidget*>(watched)->size();
        if (PrThemeChange || (PrBackGround.size() != pageSize && TTheme().IsThemeActive())) {
            PrThemeChange = false;
            UpdateBackground();
            Change();
        }
        if (!PrBackGround.isNull()) {
            QPainter painter(static_cast<QWidget*>(watched));
            painter.drawPixmap(0, 0, PrBackGround);
        }
    }
    return QTabWidget::eventFilter(watched, event);
}
