#include "TaskIcon.h"

#include "ProjectImages.h"

#include <QImage>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(TaskIcon, StateIconIsColouredOnlyWhenLoggedInAndPresent)
{
    EXPECT_EQ(TaskStateIcon(true, false), 1);
    EXPECT_EQ(TaskStateIcon(true, true), 17);
    EXPECT_EQ(TaskStateIcon(false, false), 17);
    EXPECT_EQ(TaskStateIcon(false, true), 17);
}

std::vector<int> Ticks(int iKind, int iCount, bool bLogin, bool bAbsence, int& iTag)
{
    std::vector<int> icons;
    for (int i = 0; i < iCount; ++i)
        icons.push_back(TaskAnimationTick(iKind, iTag, bLogin, bAbsence));
    return icons;
}

TEST(TaskIcon, BlinkIsOnFiveTicksAndOffFive)
{
    int iTag = 0;
    const std::vector<int> icons = Ticks(1, 20, true, false, iTag);
    const std::vector<int> expected{1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(icons, expected);
}

TEST(TaskIcon, BlinkWhileAwayUsesTheGreyMark)
{
    int iTag = 0;
    const std::vector<int> icons = Ticks(1, 10, true, true, iTag);
    const std::vector<int> expected{17, 17, 17, 17, 0, 0, 0, 0, 0, 17};
    EXPECT_EQ(icons, expected);
}

TEST(TaskIcon, MeteorRunsSixteenFramesAndWraps)
{
    int iTag = 0;
    const std::vector<int> icons = Ticks(2, 18, true, false, iTag);
    // The first tick shows the still mark, then the fifteen sweep frames.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(icons[i], i + 1) << i;
    EXPECT_EQ(icons[16], 1);
    EXPECT_EQ(icons[17], 2);
}

TEST(TaskIcon, MeteorTurnsGreyAtOnceWhenLoggedOut)
{
    int iTag = 0;
    EXPECT_EQ(TaskAnimationTick(2, iTag, true, false), 1);
    EXPECT_EQ(TaskAnimationTick(2, iTag, true, false), 2);
    EXPECT_EQ(TaskAnimationTick(2, iTag, false, false), 19);
}

TEST(TaskIcon, NoAnimationKeepsTheStillIconAndTheCounter)
{
    for (int iKind : {0, 3, -1}) {
        int iTag = 4;
        EXPECT_EQ(TaskAnimationTick(iKind, iTag, true, false), 1);
        EXPECT_EQ(TaskAnimationTick(iKind, iTag, false, false), 17);
        EXPECT_EQ(iTag, 4);
    }
}

TEST(TaskIcon, SetRecordsTipCutToSixtyFourAndRemoveClearsTheFlag)
{
    TaskIconSet(true, QString(70, u'x'), 17);
    EXPECT_TRUE(TaskIconData.bAdded);
    EXPECT_EQ(TaskIconData.sTip, QString(64, u'x'));
    EXPECT_EQ(TaskIconData.iIconIndex, 17);
    TaskIconSet(false, TaskIconTip, 1);
    EXPECT_FALSE(TaskIconData.bAdded);
}

// The tray icon object itself shows the image and the tip it was given, and goes when removed.
TEST(TaskIcon, TheTrayIconShowsTheImageAndTheTipItIsGiven)
{
    QSystemTrayIcon tray;
    QSystemTrayIcon* const before = TaskIcon;
    TaskIcon = &tray;
    const auto picture = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
    TaskIconSet(true, QString(70, u'x'), TaskIconOffline);
    EXPECT_EQ(tray.toolTip(), QString(64, u'x'));
    EXPECT_EQ(picture(tray.icon()), picture(ProjectImages::TaskIconImage(TaskIconOffline)));
    EXPECT_TRUE(tray.isVisible());
    TaskIconSet(true, TaskIconTip, TaskIconOnline);
    EXPECT_EQ(tray.toolTip(), TaskIconTip);
    EXPECT_EQ(picture(tray.icon()), picture(ProjectImages::TaskIconImage(TaskIconOnline)));
    EXPECT_NE(picture(tray.icon()), picture(ProjectImages::TaskIconImage(TaskIconOffline)));
    TaskIconSet(false, TaskIconTip, TaskIconOnline);
    EXPECT_FALSE(tray.isVisible());
    TaskIcon = before;
}

// The strip holds an empty image, two marks that differ in colour and frames that differ from the mark.
TEST(TaskIcon, StripImagesHaveTheirMeaning)
{
    const QImage strip = ProjectImages::TaskIconStrip().toImage();
    ASSERT_EQ(strip.width(), 528);
    ASSERT_EQ(strip.height(), 16);
    auto image = [&](int i) { return strip.copy(i * 16, 0, 16, 16).convertToFormat(QImage::Format_ARGB32); };
    const QImage empty = image(0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(qAlpha(empty.pixel(x, y)), 0);
    auto saturated = [](const QImage& img) {
        int count = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() > 0 && c.hsvSaturation() > 60)
                    ++count;
            }
        return count;
    };
    EXPECT_GT(saturated(image(1)), 40);
    EXPECT_EQ(saturated(image(17)), 0);
    for (int i = 2; i <= 16; ++i) {
        EXPECT_NE(image(i), image(1)) << i;
        EXPECT_NE(image(i + 16), image(17)) << i;
        EXPECT_NE(image(i), image(i == 16 ? 2 : i + 1)) << i;
    }
}

} // namespace
