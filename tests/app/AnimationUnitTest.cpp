// The frames of the pointer animations, and their windows' lives.
#include "AnimationUnit.h"

#include "ExtraAnimationUnit.h"
#include "WaitUntil.h"

#include <QApplication>
#include <QPointer>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

int Area(const QRegion& region)
{
    int area = 0;
    for (const QRect& r : region)
        area += r.width() * r.height();
    return area;
}

TEST(AnimationFrameTest, CircleShrinksFromFiftyToTenPixelsAroundTheCentre)
{
    for (int n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        const TAnimationFrame frame = AnimationFrame(AnimationKindCircle, n);
        ASSERT_EQ(frame.Kind, TAnimationFrame::Shape);
        const int s = 5 * n;
        const QRect box(100 + s, 100 + s, 50 - 2 * s, 50 - 2 * s);
        // The rasteriser may leave out an edge row; the circle never leaves its box.
        EXPECT_TRUE(box.contains(frame.Region.boundingRect()));
        EXPECT_GE(frame.Region.boundingRect().width(), box.width() - 1);
        EXPECT_TRUE(frame.Region.contains(QPoint(125, 125)));
        // Round, not square: the corners of its box are outside.
        EXPECT_FALSE(frame.Region.contains(QPoint(100 + s, 100 + s)));
    }
}

TEST(AnimationFrameTest, SquareAlternatesWithADiamond)
{
    const TAnimationFrame square = AnimationFrame(AnimationKindSquare, 2);
    EXPECT_EQ(square.Region, QRegion(QRect(110, 110, 30, 30)));
    const TAnimationFrame diamond = AnimationFrame(AnimationKindSquare, 1);
    EXPECT_EQ(diamond.Kind, TAnimationFrame::Shape);
    EXPECT_TRUE(diamond.Region.contains(QPoint(125, 106)));
    EXPECT_TRUE(diamond.Region.contains(QPoint(106, 125)));
    EXPECT_FALSE(diamond.Region.contains(QPoint(106, 106)));
    EXPECT_LE(diamond.Region.boundingRect().width(), 40);
}

TEST(AnimationFrameTest, LineGrowsThenOpensFromTheCentre)
{
    const struct {
        int n;
        QRegion region;
    } rows[] = {
        {5, QRegion(QRect(125, 125, 1, 1))},
        {6, QRegion(QRect(117, 125, 17, 1))},
        {9, QRegion(QRect(93, 125, 65, 1))},
        {10, QRegion(QRect(85, 125, 80, 1))},
        {11, QRegion(QRect(85, 125, 32, 1)) + QRegion(QRect(133, 125, 32, 1))},
        {14, QRegion(QRect(85, 125, 8, 1)) + QRegion(QRect(157, 125, 8, 1))},
    };
    for (int iKind : {AnimationKindCircle, AnimationKindSquare, 7}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << "kind " << iKind << " frame " << row.n);
            const TAnimationFrame frame = AnimationFrame(iKind, row.n);
            EXPECT_EQ(frame.Kind, TAnimationFrame::Shape);
            EXPECT_EQ(frame.Region, row.region);
        }
    }
    EXPECT_EQ(Area(AnimationFrame(AnimationKindCircle, 12).Region), 80 - 32);
}

TEST(AnimationFrameTest, AnUnofferedKindShowsTheWholeWindowFirstAndEveryKindEndsAtFifteen)
{
    EXPECT_EQ(AnimationFrame(9, 0).Kind, TAnimationFrame::Whole);
    EXPECT_EQ(AnimationFrame(-1, 4).Kind, TAnimationFrame::Whole);
    for (int iKind : {AnimationKindCircle, AnimationKindSquare, 9}) {
        EXPECT_EQ(AnimationFrame(iKind, 14).Kind, TAnimationFrame::Shape);
        EXPECT_EQ(AnimationFrame(iKind, 15).Kind, TAnimationFrame::Close);
    }
}

TEST(AnimationFrameTest, ShapesAreCentredOnePixelRightOfThePointer)
{
    EXPECT_EQ(AnimationWindowPosition(QPoint(500, 400)), QPoint(376, 275));
    EXPECT_EQ(AnimationWindowPosition(QPoint(500, 400)) + QPoint(125, 125), QPoint(501, 400));
}

TEST(CometFrameTest, TellingRowsOfTheFall)
{
    const QVector<TCometFrame> frames = CometFrames();
    ASSERT_EQ(frames.size(), 44);
    const struct {
        int iFrame;
        int iSide, iOffset, iAlpha;
    } rows[] = {
        {0, 0, 16, 255}, {7, 16, 0, 255}, {12, 22, -6, 244}, {20, 27, -12, 114}, {43, 31, -16, 13},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.iFrame);
        const TCometFrame& frame = frames[row.iFrame];
        EXPECT_EQ(frame.Image.width(), row.iSide);
        EXPECT_EQ(frame.Image.height(), row.iSide);
        // Centred in the window.
        EXPECT_EQ(frame.Image.left(), (32 - row.iSide) / 2);
        EXPECT_EQ(frame.Offset, row.iOffset);
        EXPECT_EQ(frame.Alpha, row.iAlpha);
    }
    // The centre starts up and to the right of the pointer and ends down and to the left.
    EXPECT_EQ(CometWindowPosition(QPoint(200, 200), frames.first()) + QPoint(16, 16), QPoint(216, 184));
    EXPECT_EQ(CometWindowPosition(QPoint(200, 200), frames.last()) + QPoint(16, 16), QPoint(184, 216));
}

TEST(CometFrameTest, PictureHasItsHeadAtTheLowerLeftOnBlack)
{
    const QImage image = CometImage();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(Qt::black));
    EXPECT_EQ(QColor(image.pixel(31, 31)), QColor(Qt::black));
    const QColor head(image.pixel(8, 24));
    EXPECT_GT(head.red(), 200);
    EXPECT_GT(head.green(), 200);
}

// Three animations at once run side by side, never take the focus, and free themselves.
TEST(AnimationWindowTest, SeveralRunAtOnceAndEachFreesItself)
{
    QWidget work;
    work.show();
    work.activateWindow();
    MouseAnimationStart(AnimationKindCircle);
    MouseAnimationStart(AnimationKindSquare);
    MouseAnimationStart(AnimationKindComet);
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("AnimationForm") ||
            w->objectName() == QStringLiteral("ExtraAnimationForm"))
            windows << w;
    ASSERT_EQ(windows.size(), 3);
    for (const QPointer<QWidget>& w : windows) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->isEnabled());
        EXPECT_TRUE(w->windowFlags() & Qt::WindowTransparentForInput);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_TRUE(TestSupport::WaitUntil(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return std::all_of(windows.begin(), windows.end(), [](const QPointer<QWidget>& w) { return !w; });
        },
        5000));
}

// The animation windows shown now.
QList<QPointer<QWidget>> ShownAnimations()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if ((w->objectName() == QStringLiteral("AnimationForm") ||
             w->objectName() == QStringLiteral("ExtraAnimationForm")) &&
            w->isVisible())
            windows << w;
    return windows;
}

bool AllFreed(const QList<QPointer<QWidget>>& windows)
{
    return TestSupport::WaitUntil(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return std::all_of(windows.begin(), windows.end(), [](const QPointer<QWidget>& w) { return !w; });
        },
        5000);
}

// A burst of arrivals runs no more animations at once than the limit: the
// arrivals past it start none, and once the running ones have ended the next
// arrival runs again.
TEST(AnimationWindowTest, ABurstRunsNoMoreThanTheLimitAtOnce)
{
    const struct {
        const char* sName;
        int iKinds[3];
    } cases[] = {
        {"circles", {AnimationKindCircle, AnimationKindCircle, AnimationKindCircle}},
        {"squares", {AnimationKindSquare, AnimationKindSquare, AnimationKindSquare}},
        {"comets", {AnimationKindComet, AnimationKindComet, AnimationKindComet}},
        {"all kinds", {AnimationKindComet, AnimationKindCircle, AnimationKindSquare}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sName);
        for (int i = 0; i < 10 * AnimationRunningLimit; ++i)
            MouseAnimationStart(c.iKinds[i % 3]);
        const QList<QPointer<QWidget>> burst = ShownAnimations();
        EXPECT_EQ(burst.size(), AnimationRunningLimit);
        ASSERT_TRUE(AllFreed(burst));
        MouseAnimationStart(c.iKinds[0]);
        const QList<QPointer<QWidget>> next = ShownAnimations();
        EXPECT_EQ(next.size(), 1);
        ASSERT_TRUE(AllFreed(next));
    }
}

TEST(AnimationWindowTest, RegionWindowTakesTheFrameShapeAndANewColourEachFrame)
{
    auto* form = new TAnimationForm();
    QPointer<TAnimationForm> guard(form);
    form->PuAnimationType = AnimationKindSquare;
    form->AnimationTimerTimer();
    EXPECT_EQ(form->mask(), AnimationFrame(AnimationKindSquare, 0).Region);
    EXPECT_EQ(form->AnimationCounter(), 1);
    QSet<QRgb> colours{form->palette().color(QPalette::Window).rgb()};
    for (int n = 1; n < 15; ++n) {
        form->AnimationTimerTimer();
        colours.insert(form->palette().color(QPalette::Window).rgb());
    }
    EXPECT_EQ(form->mask(), AnimationFrame(AnimationKindSquare, 14).Region);
    EXPECT_GT(colours.size(), 5);
    form->AnimationTimerTimer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST(AnimationWindowTest, CometWindowShowsOnlyThePicturesColouredPixels)
{
    auto* form = new TExtraAnimationForm();
    QPointer<TExtraAnimationForm> guard(form);
    // Frame 0 has no picture yet: nothing of the window shows.
    EXPECT_FALSE(form->mask().contains(QPoint(16, 16)));
    for (int i = 0; i < 6; ++i)
        form->tmAnimationTimer();
    // Frame 7: the picture is 16 pixels wide in the middle; its head lies at its lower left.
    EXPECT_EQ(CometFrames()[7].Image.width(), 16);
    form->tmAnimationTimer();
    EXPECT_TRUE(form->mask().contains(QPoint(12, 20)));
    EXPECT_FALSE(form->mask().contains(QPoint(1, 1)));
    EXPECT_FALSE(form->mask().contains(QPoint(9, 9)));
    EXPECT_NEAR(form->windowOpacity(), 1.0, 0.01);
    delete form;
}

} // namespace
