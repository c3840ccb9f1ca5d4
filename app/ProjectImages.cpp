#include "ProjectImages.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <functional>

namespace ProjectImages {

namespace {

constexpr int MeteorFrames = 15;

QPainterPath FlamePath()
{
    QPainterPath path;
    path.moveTo(8.0, 15.5);
    path.cubicTo(2.0, 15.5, 1.0, 10.0, 4.0, 6.5);
    path.cubicTo(5.0, 8.5, 6.0, 8.5, 6.5, 8.0);
    path.cubicTo(5.5, 5.0, 7.5, 2.0, 10.0, 0.5);
    path.cubicTo(9.5, 3.5, 15.0, 6.5, 14.0, 11.0);
    path.cubicTo(13.5, 14.0, 11.0, 15.5, 8.0, 15.5);
    path.closeSubpath();
    return path;
}

QPainterPath CorePath()
{
    QPainterPath path;
    path.moveTo(8.0, 14.5);
    path.cubicTo(5.5, 14.5, 5.0, 11.5, 6.5, 9.5);
    path.cubicTo(7.0, 11.0, 8.0, 11.0, 8.5, 8.0);
    path.cubicTo(10.5, 9.5, 11.5, 12.0, 10.5, 13.5);
    path.cubicTo(10.0, 14.2, 9.0, 14.5, 8.0, 14.5);
    path.closeSubpath();
    return path;
}

QPixmap Blank()
{
    QPixmap pixmap(ImageSize, ImageSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap = Blank();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return pixmap;
}

QPixmap Greyed(const QPixmap& source, qreal rFade)
{
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int grey = qGray(c.rgb());
            const int lifted = grey + int((255 - grey) * rFade);
            image.setPixelColor(x, y, QColor(lifted, lifted, lifted, c.alpha()));
        }
    return QPixmap::fromImage(image);
}

// The flame on a 16 x 16 painter, with an optional dark sector of the meteor sweep (frame 1..15).
void PaintMark(QPainter& p, bool bColour, int iFrame)
{
    {
        const QPainterPath flame = FlamePath();
        QLinearGradient fill(0, 16, 0, 0);
        if (bColour) {
            fill.setColorAt(0.0, QColor(0xd8, 0x20, 0x10));
            fill.setColorAt(0.6, QColor(0xf8, 0x80, 0x10));
            fill.setColorAt(1.0, QColor(0xff, 0xd0, 0x40));
        } else {
            fill.setColorAt(0.0, QColor(0x60, 0x60, 0x60));
            fill.setColorAt(1.0, QColor(0xc0, 0xc0, 0xc0));
        }
        p.fillPath(flame, fill);
        p.fillPath(CorePath(), bColour ? QColor(0xff, 0xf0, 0xa0) : QColor(0xe8, 0xe8, 0xe8));
        if (iFrame > 0) {
            p.save();
            p.setClipPath(flame);
            QPainterPath sector;
            sector.moveTo(8, 8);
            sector.arcTo(QRectF(-4, -4, 24, 24), 90.0 - iFrame * 24.0, 60.0);
            sector.closeSubpath();
            p.fillPath(sector, QColor(0, 0, 0, 120));
            p.restore();
        }
        p.setPen(QPen(bColour ? QColor(0x80, 0x10, 0x00) : QColor(0x40, 0x40, 0x40), 0.8));
        p.drawPath(flame);
    }
}

QPixmap Mark(bool bColour, int iFrame)
{
    return Draw([&](QPainter& p) { PaintMark(p, bColour, iFrame); });
}

QPixmap Badge(const QColor& colour, const QString& sLetter, bool bRound)
{
    return Draw([&](QPainter& p) {
        p.setPen(QPen(colour.darker(160), 1.0));
        p.setBrush(colour);
        if (bRound)
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        else
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        QFont font;
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, sLetter);
    });
}

QPixmap Envelope(bool bOpen)
{
    return Draw([&](QPainter& p) {
        p.setPen(QPen(QColor(0x40, 0x50, 0x80), 1.0));
        p.setBrush(QColor(0xf4, 0xf4, 0xff));
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        if (bOpen) {
            p.drawLine(QPointF(1.5, 4.5), QPointF(8, 1));
            p.drawLine(QPointF(8, 1), QPointF(14.5, 4.5));
            p.drawLine(QPointF(1.5, 13.5), QPointF(8, 8.5));
            p.drawLine(QPointF(8, 8.5), QPointF(14.5, 13.5));
        } else {
            p.drawLine(QPointF(1.5, 4.5), QPointF(8, 9.5));
            p.drawLine(QPointF(8, 9.5), QPointF(14.5, 4.5));
        }
    });
}

QPixmap Arrow(QPixmap base)
{
    QPainter p(&base);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(9, 11);
    arrow.lineTo(12, 11);
    arrow.lineTo(12, 9);
    arrow.lineTo(15.5, 12.5);
    arrow.lineTo(12, 16);
    arrow.lineTo(12, 14);
    arrow.lineTo(9, 14);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0x20, 0xa0, 0x30));
    return base;
}

QPixmap Bubble(const QColor& colour, const QRectF& rect, const QString& sText)
{
    return Draw([&](QPainter& p) {
        p.setPen(QPen(colour.darker(170), 1.0));
        p.setBrush(colour);
        p.drawRoundedRect(rect, 3, 3);
        QPolygonF tail;
        tail << QPointF(rect.left() + 3, rect.bottom()) << QPointF(rect.left() + 2, rect.bottom() + 3)
             << QPointF(rect.left() + 6, rect.bottom());
        p.drawPolygon(tail);
        if (!sText.isEmpty()) {
            QFont font;
            font.setPixelSize(9);
            font.setBold(true);
            p.setFont(font);
            p.setPen(colour.darker(250));
            p.drawText(rect, Qt::AlignCenter, sText);
        }
    });
}

QList<QPixmap> ToolbarPixmaps()
{
    QList<QPixmap> images;
    images << Arrow(Envelope(false));
    images << Envelope(true);
    images << Bubble(QColor(0xff, 0xe8, 0x90), QRectF(1.5, 1.5, 13, 10), QStringLiteral("?"));
    images << Blank();
    images << Arrow(Draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.0));
        p.setBrush(Qt::white);
        QPolygonF page;
        page << QPointF(2.5, 0.5) << QPointF(8.5, 0.5) << QPointF(11.5, 3.5) << QPointF(11.5, 14.5)
             << QPointF(2.5, 14.5);
        p.drawPolygon(page);
        for (int y = 5; y <= 11; y += 3)
            p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
    }));
    images << Draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x30, 0x60, 0x30), 1.0));
        p.setBrush(QColor(0xb0, 0xe8, 0xb0));
        p.drawRoundedRect(QRectF(0.5, 0.5, 10, 7), 2, 2);
        p.setBrush(QColor(0xb0, 0xd0, 0xff));
        p.setPen(QPen(QColor(0x30, 0x40, 0x80), 1.0));
        p.drawRoundedRect(QRectF(5.5, 6.5, 10, 7), 2, 2);
        p.drawLine(QPointF(12.5, 13.5), QPointF(13.5, 15.5));
    });
    images << Draw([](QPainter& p) {
        QPainterPath moon;
        moon.addEllipse(QRectF(1.5, 1.5, 13, 13));
        QPainterPath bite;
        bite.addEllipse(QRectF(6, -1, 12, 12));
        p.fillPath(moon.subtracted(bite), QColor(0xe0, 0xb0, 0x20));
        p.setPen(QPen(QColor(0x80, 0x60, 0x00), 0.8));
        p.drawPath(moon.subtracted(bite));
    });
    images << Draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x60, 0x40, 0x20), 1.0));
        p.setBrush(QColor(0xf0, 0xe0, 0xc0));
        p.drawRect(QRectF(2.5, 1.5, 11, 13));
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.0));
        for (int y = 4; y <= 12; y += 2)
            p.drawLine(QPointF(4.5, y + 0.5), QPointF(11.5, y + 0.5));
    });
    images << Draw([](QPainter& p) {
        p.setPen(QPen(QColor(0x10, 0x50, 0x90), 1.0));
        p.setBrush(QColor(0x90, 0xc8, 0xf0));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
        p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
    });
    return images;
}

} // namespace

QPixmap TaskIconStrip()
{
    QPixmap strip(ImageSize * 33, ImageSize);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int i = 1; i <= 1 + MeteorFrames; ++i) {
        painter.drawPixmap((i)*ImageSize, 0, Mark(true, i - 1));
        painter.drawPixmap((i + 16) * ImageSize, 0, Mark(false, i - 1));
    }
    return strip;
}

QIcon TaskIconImage(int iIndex)
{
    static const QPixmap strip = TaskIconStrip();
    if (iIndex < 0 || iIndex >= 33)
        iIndex = 0;
    return QIcon(strip.copy(iIndex * ImageSize, 0, ImageSize, ImageSize));
}

QList<QIcon> LoginUserImages()
{
    QList<QIcon> icons;
    icons << QIcon(Badge(QColor(0x90, 0x90, 0x90), QStringLiteral("?"), true));
    const QPixmap older = Badge(QColor(0xe0, 0x60, 0x20), QStringLiteral("P"), true);
    icons << QIcon(older) << QIcon(Greyed(older, 0.3));
    icons << QIcon(Badge(QColor(0x30, 0x80, 0xd0), QStringLiteral("V"), false));
    icons << QIcon(Badge(QColor(0x30, 0xa0, 0x50), QStringLiteral("T"), false));
    icons << QIcon(Badge(QColor(0x90, 0x40, 0xb0), QStringLiteral("D"), false));
    icons << QIcon(Badge(QColor(0xb0, 0x80, 0x20), QStringLiteral("K"), false));
    icons << QIcon(Badge(QColor(0xd0, 0xa0, 0x10), QStringLiteral("K"), true));
    icons << QIcon(Mark(true, 0)) << QIcon(Mark(false, 0));
    return icons;
}

QList<QIcon> ToolbarImages()
{
    QList<QIcon> icons;
    const QList<QPixmap> pixmaps = ToolbarPixmaps();
    for (const QPixmap& pixmap : pixmaps) {
        QIcon icon(pixmap);
        icon.addPixmap(Greyed(pixmap, 0.5), QIcon::Disabled);
        icons << icon;
    }
    return icons;
}

QPixmap ToolbarDisabledImage(int iIndex)
{
    const QList<QPixmap> pixmaps = ToolbarPixmaps();
    if (iIndex < 0 || iIndex >= pixmaps.size())
        return Blank();
    return Greyed(pixmaps[iIndex], 0.5);
}

QPixmap NoticeIconImage()
{
    QPixmap pixmap(2 * ImageSize, 2 * ImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2.0, 2.0);
    PaintMark(painter, true, 0);
    return pixmap;
}

QPixmap OptionHeaderImage()
{
    return Draw([](QPainter& painter) {
        painter.setPen(QPen(QColor(200, 200, 200), 1));
        painter.setBrush(QColor(90, 140, 210));
        for (int i = 0; i < 8; ++i) {
            painter.save();
            painter.translate(8, 8);
            painter.rotate(45.0 * i);
            painter.drawRect(QRectF(-1.5, -7.5, 3, 3));
            painter.restore();
        }
        painter.drawEllipse(QPointF(8, 8), 5, 5);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QPointF(8, 8), 2, 2);
    });
}

QIcon SoundButtonImage()
{
    return QIcon(Draw([](QPainter& painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 40, 40));
        painter.drawPolygon(QPolygonF(
            {QPointF(2, 6), QPointF(5, 6), QPointF(9, 2), QPointF(9, 14), QPointF(5, 10), QPointF(2, 10)}));
        painter.setPen(QPen(QColor(30, 90, 200), 1.4));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(7, 4, 6, 8), -60 * 16, 120 * 16);
        painter.drawArc(QRectF(7, 1.5, 9, 13), -60 * 16, 120 * 16);
    }));
}

QIcon SearchButtonImage()
{
    return QIcon(Draw([](QPainter& painter) {
        painter.setPen(QPen(QColor(40, 40, 40), 2));
        painter.setBrush(QColor(200, 230, 255));
        painter.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
        painter.setPen(QPen(QColor(120, 70, 20), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(10, 10), QPointF(14, 14));
    }));
}

} // namespace ProjectImages
