#include "EditEx.h"
#include "LabelEx.h"
#include "MarkLabel.h"
#include "QtPrinters.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <gtest/gtest.h>

namespace {

void Enter(QWidget& w) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&w, &event);
}

void Leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&w, &event);
}

TEST(LabelEx, HoverShowsItsStyleAndLeavingBringsBackTheFirstLook) {
    TLabelEx label("http://198.18.0.1/");
    label.SetFontColor(Qt::darkBlue);
    EXPECT_EQ(label.HoverColor(), QColor(Qt::red));
    EXPECT_EQ(label.HoverStyle(), fsUnderline);
    label.SetHoverStyle(fsUnderline | fsBold);
    label.SetHoverColor(Qt::magenta);

    Enter(label);
    EXPECT_EQ(label.FontColor(), QColor(Qt::magenta));
    EXPECT_TRUE(label.font().underline());
    EXPECT_TRUE(label.font().bold());
    Leave(label);
    EXPECT_EQ(label.FontColor(), QColor(Qt::darkBlue));
    EXPECT_FALSE(label.font().underline());
    EXPECT_FALSE(label.font().bold());

    // The look taken at the first hover comes back, whatever was set in between.
    label.SetFontColor(Qt::green);
    Enter(label);
    Leave(label);
    EXPECT_EQ(label.FontColor(), QColor(Qt::darkBlue));
}

// Columns of the picture that hold a pixel of the colour.
QList<int> ColumnsWith(const QImage& image, const std::function<bool(QColor)>& match) {
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

TEST(MarkLabel, DrawsTheMarkThenTheGapThenTheCaption) {
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

TEST(MarkLabel, EmptyMarkShiftsTheCaptionByThePadding) {
    TMarkLabel label("受信");
    label.SetMark("");
    label.SetMarkPadding(7);
    EXPECT_EQ(label.width(), 7 + QFontMetrics(label.font()).horizontalAdvance("受信"));
}

TEST(EditEx, AlignedBoxFollowsItsParent) {
    QWidget parent;
    parent.resize(200, 100);
    TEditEx edit(&parent);
    parent.show();
    edit.resize(50, 24);
    edit.SetAlign(TAlign::alClient);
    EXPECT_EQ(edit.geometry(), QRect(0, 0, 200, 100));
    parent.resize(300, 80);
    EXPECT_EQ(edit.geometry(), QRect(0, 0, 300, 80));
    edit.SetAlign(TAlign::alBottom);
    edit.resize(300, 24);
    parent.resize(320, 90);
    EXPECT_EQ(edit.geometry(), QRect(0, 66, 320, 24));
}

} // namespace
