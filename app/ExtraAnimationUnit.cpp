#include "ExtraAnimationUnit.h"

#include <QBitmap>
#include <QCursor>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

TCometFrame CometFrame(float P)
{
    // Halves go to the even neighbour, as the platform's rounding does.
    const int a = int(std::nearbyint(double(P) / 2.0));
    TCometFrame frame;
    frame.Image = QRect(a / 2, a / 2, CometSize - a, CometSize - a);
    frame.Offset = int(double(P) / 2.0) - CometSize / 2;
    frame.Alpha = std::min(255, int(std::nearbyint(255.0 * double(P) * 3.0 / 64.0)));
    return frame;
}

float CometNext(float P)
{
    return float(double(P) / 1.1);
}

QVector<TCometFrame> CometFrames()
{
    QVector<TCometFrame> frames;
    for (float P = CometStart; P > 1.0f; P = CometNext(P))
        frames.append(CometFrame(P));
    return frames;
}

QPoint CometWindowPosition(const QPoint& cursor, const TCometFrame& frame)
{
    return cursor + QPoint(-CometSize / 2 + frame.Offset, -CometSize / 2 - frame.Offset);
}

QImage CometImage()
{
    QImage image(CometSize, CometSize, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tail(QPointF(8, 24), QPointF(30, 2));
    tail.setColorAt(0.0, QColor(255, 200, 40));
    tail.setColorAt(0.5, QColor(240, 120, 20));
    tail.setColorAt(1.0, QColor(90, 30, 5));
    painter.setPen(QPen(QBrush(tail), 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(9, 23), QPointF(28, 4));
    painter.setPen(QPen(QBrush(tail), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(6, 20), QPointF(20, 6));
    painter.drawLine(QPointF(12, 26), QPointF(26, 12));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 120));
    painter.drawEllipse(QPointF(8, 24), 5, 5);
    painter.setBrush(QColor(255, 255, 230));
    painter.drawEllipse(QPointF(8, 24), 2.5, 2.5);
    return image;
}

TExtraAnimationForm::TExtraAnimationForm()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
{
    setObjectName(QStringLiteral("ExtraAnimationForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);
    setFixedSize(CometSize, CometSize);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);
    tmAnimation.setInterval(CometIntervalMs);
    connect(&tmAnimation, &QTimer::timeout, this, &TExtraAnimationForm::tmAnimationTimer);
    tmAnimationTimer();
    tmAnimation.start();
}

void TExtraAnimationForm::tmAnimationTimer()
{
    if (!(prPosition > 1.0f)) {
        tmAnimation.stop();
        close();
        return;
    }
    const TCometFrame frame = CometFrame(prPosition);
    PrImage = frame.Image;
    // Black is the colour key: the window's shape is the picture's coloured pixels.
    QImage shape(CometSize, CometSize, QImage::Format_RGB32);
    shape.fill(Qt::black);
    if (!PrImage.isEmpty()) {
        QPainter painter(&shape);
        painter.drawImage(PrImage, CometImage());
    }
    const QBitmap mask =
        QBitmap::fromImage(shape.createMaskFromColor(QColor(Qt::black).rgb(), Qt::MaskInColor));
    // An empty mask would mean no mask at all; a pixel outside the window shows nothing.
    setMask(PrImage.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(mask));
    setWindowOpacity(frame.Alpha / 255.0);
    move(CometWindowPosition(QCursor::pos(), frame));
    if (!isVisible())
        show();
    update();
    prPosition = CometNext(prPosition);
}

void TExtraAnimationForm::paintEvent(QPaintEvent*)
{
    if (PrImage.isEmpty())
        return;
    QPainter painter(this);
    painter.drawImage(PrImage, CometImage());
}
