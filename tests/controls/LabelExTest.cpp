#include "LabelEx.h"

#include "QtPrinters.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace {

void Enter(QWidget& w)
{
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&w, &event);
}

void Leave(QWidget& w)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&w, &event);
}

TEST(LabelEx, HoverShowsItsStyleAndLeavingBringsBackTheFirstLook)
{
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

} // namespace
