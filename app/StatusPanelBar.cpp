#include "StatusPanelBar.h"

#include <QPainter>

namespace {

// Room above and below the text of a panel.
constexpr int kVerticalPadding = 6;

} // namespace

TStatusPanelBar::TStatusPanelBar(QWidget* parent) : QWidget(parent)
{
    SetPanelCount(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

void TStatusPanelBar::SetPanelCount(int iCount)
{
    FPanels.resize(qMax(0, iCount));
    update();
}

int TStatusPanelBar::PanelWidth(int iIndex) const
{
    return (iIndex >= 0 && iIndex < FPanels.size()) ? FPanels[iIndex].width : 0;
}

void TStatusPanelBar::SetPanelWidth(int iIndex, int iWidth)
{
    if (iIndex < 0 || iIndex >= FPanels.size())
        return;
    FPanels[iIndex].width = qMax(0, iWidth);
    update();
}

QString TStatusPanelBar::PanelText(int iIndex) const
{
    return (iIndex >= 0 && iIndex < FPanels.size()) ? FPanels[iIndex].text : QString();
}

void TStatusPanelBar::SetPanelText(int iIndex, const QString& sText)
{
    if (iIndex < 0 || iIndex >= FPanels.size())
        return;
    FPanels[iIndex].text = sText;
    update();
}

QColor TStatusPanelBar::PanelColor(int iIndex) const
{
    return (iIndex >= 0 && iIndex < FPanels.size()) ? FPanels[iIndex].color : QColor();
}

void TStatusPanelBar::SetPanelColor(int iIndex, const QColor& color)
{
    if (iIndex < 0 || iIndex >= FPanels.size())
        return;
    FPanels[iIndex].color = color;
    update();
}

QRect TStatusPanelBar::PanelRect(int iIndex) const
{
    int left = 0;
    for (int i = 0; i < iIndex && i < FPanels.size(); ++i)
        left += FPanels[i].width;
    return QRect(left, 0, PanelWidth(iIndex), height());
}

QSize TStatusPanelBar::sizeHint() const
{
    return QSize(200, fontMetrics().height() + kVerticalPadding);
}

void TStatusPanelBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < FPanels.size(); ++i) {
        const QRect panel = PanelRect(i);
        // A sunken edge between panels, as the styles draw none of their own here.
        if (i + 1 < FPanels.size()) {
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawLine(panel.right() - 1, 2, panel.right() - 1, height() - 3);
            painter.setPen(palette().color(QPalette::Light));
            painter.drawLine(panel.right(), 2, panel.right(), height() - 3);
        }
        painter.setPen(FPanels[i].color.isValid() ? FPanels[i].color : palette().color(QPalette::WindowText));
        // The text starts one pixel right of the panel's left edge.
        painter.drawText(panel.adjusted(1, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, FPanels[i].text);
    }
}

void TStatusPanelBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit Resized();
}
