#include "fnc_Theme.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>

TTheme::TTheme()
{
    PrStyle = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
    FThemeActive = PrStyle != nullptr;
}

bool TTheme::IsThemeActive() const
{
    return FThemeActive;
}

bool TTheme::DrawThemeBackground(QPainter& painter, const QRect& rect, const QWidget* widget) const
{
    if (!FThemeActive)
        return false;
    QStyleOptionTabWidgetFrame option;
    if (const auto* tabs = qobject_cast<const QTabWidget*>(widget))
        option.initFrom(tabs);
    option.rect = rect;
    option.lineWidth = PrStyle->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
    option.shape = QTabBar::RoundedNorth;
    painter.fillRect(rect, option.palette.brush(QPalette::Window));
    PrStyle->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, widget);
    return true;
}

QColor TTheme::GetThemeColor(QPalette::ColorRole role) const
{
    if (!FThemeActive)
        return QPalette().color(QPalette::Button);
    return PrStyle->standardPalette().color(role);
}
