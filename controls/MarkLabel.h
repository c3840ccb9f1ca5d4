#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

// A section caption with a coloured mark drawn before it.
class TMarkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TMarkLabel(QWidget* parent = nullptr);
    explicit TMarkLabel(const QString& sText, QWidget* parent = nullptr);

    QString Mark() const { return FMark; }
    void SetMark(const QString& sMark);
    QColor MarkColor() const { return FMarkColor; }
    void SetMarkColor(const QColor& color);
    int MarkPadding() const { return FMarkPadding; }
    void SetMarkPadding(int iPadding);
    // The label takes the width of the mark, the gap and the caption.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool b);
    void SetCaption(const QString& sText);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void AdjustBounds();

    QString FMark = QStringLiteral("■");
    QColor FMarkColor = Qt::blue;
    int FMarkPadding = 5;
    bool FAutoSize = true;
};
