#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

// A status bar divided into panels of set widths, each with a text; widgets can
// be placed over a panel. The owner sets the widths again on Resized.
class TStatusPanelBar : public QWidget {
    Q_OBJECT

public:
    explicit TStatusPanelBar(QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    void SetPanelCount(int iCount);
    int PanelWidth(int iIndex) const;
    void SetPanelWidth(int iIndex, int iWidth);
    QString PanelText(int iIndex) const;
    void SetPanelText(int iIndex, const QString& sText);
    // The panel's text colour; an invalid colour is the window-text colour.
    QColor PanelColor(int iIndex) const;
    void SetPanelColor(int iIndex, const QColor& color);
    // The panel's rectangle in the bar: its left edge is the sum of the widths before it.
    QRect PanelRect(int iIndex) const;

    QSize sizeHint() const override;

signals:
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Panel {
        int width = 50;
        QString text;
        QColor color;
    };
    QList<Panel> FPanels;
};
