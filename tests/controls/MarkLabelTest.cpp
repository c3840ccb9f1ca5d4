#include "MarkLabel.h"

#include "QtPrinters.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace {

QList<int> ColumnsWith(const QImage& image, const std::function<bool(QColor)>& match)
{
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (match(image.pixelColor(x, y))) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

TEST(MarkLabel, DrawsTheMarkThenTheGapThenTheCaption)
{
    TMarkLabel label("送信ファイル");
    EXPECT_EQ(label.Mark(), QString("■"));
    EXPECT_EQ(label.MarkColor(), QColor(Qt::blue));
    EXPECT_EQ(label.MarkPadding(), 5);
    label.SetMarkColor(Qt::red);
    label.SetMarkPadding(3);
    QPalette p = label.palette();
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Window, Qt::white);
    label.setPalette(p);
    label.setAutoFillBackground(true);

    const QFontMetrics metrics(label.font());
    const int iMark = metrics.horizontalAdvance("■");
    EXPECT_EQ(label.width(), iMark + 3 + metrics.horizontalAdvance("送信ファイル"));

    const QImage image = label.grab().toImage();
    const QList<int> red =
        ColumnsWith(image, [](QColor c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; });
    const QList<int> dark =
        ColumnsWith(image, [](QColor c) { return c.red() < 60 && c.green() < 60 && c.blue() < 60; });
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(dark.isEmpty());
    EXPECT_LT(red.back(), iMark);
    EXPECT_GE(dark.front(), iMark + 3) << "the caption starts after the gap";
}

TEST(MarkLabel, EmptyMarkShiftsTheCaptionByThePadding)
{
    TMarkLabel label("受信");
    label.SetMark("");
    label.SetMarkPadding(7);
    EXPECT_EQ(label.width(), 7 + QFontMetrics(label.font()).horizontalAdvance("受信"));
}
} // namespace
