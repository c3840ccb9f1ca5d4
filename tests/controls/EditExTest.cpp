#include "EditEx.h"

#include "QtPrinters.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(EditEx, AlignedBoxFollowsItsParent)
{
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
