#include "PageControlEx.h"

#include "fnc_Theme.h"

#include <QAbstractButton>
#include <QEvent>
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

void TPageControlEx::Change()
{
    for (int i = 0; i < count(); ++i) {
        for (QObject* child : widget(i)->children()) {
            auto* button = qobject_cast<QAbstractButton*>(child);
            if (button == nullptr)
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
    const QPoint centre(control->x() + control->width() / 2, control->y() + control->height() / 2);
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
