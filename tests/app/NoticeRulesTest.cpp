// The notice's rules without its window: the policy, the fade and the placement.
#include "NoticeRules.h"

#include <gtest/gtest.h>

namespace {

struct PolicyCase {
    TNoticeSettings settings;
    bool bAbsence;
    bool bSuppressed;
    bool bAutoClose;
};

TEST(NoticeRulesTest, AwayNoticesAreHiddenOrKeptOpenBySettings)
{
    const PolicyCase cases[] = {
        // auto close, keep open while away, hide while away
        {{true, false, true}, false, false, true}, {{true, false, true}, true, true, true},
        {{true, true, true}, true, false, false},  {{true, true, true}, false, false, true},
        {{false, true, true}, true, true, false},  {{false, false, false}, true, false, false},
        {{true, false, false}, true, false, true},
    };
    for (const PolicyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.bAutoClose << c.settings.bAutoCloseAbsenceCancel
                                        << c.settings.bAbsenceHide << c.bAbsence);
        EXPECT_EQ(NoticeSuppressed(c.settings, c.bAbsence), c.bSuppressed);
        EXPECT_EQ(NoticeMessageAutoClose(c.settings, c.bAbsence), c.bAutoClose);
    }
}

// Runs the fade from iStart in 15 ms ticks until the phase changes; the time it changed.
quint32 TickUntilPhaseChanges(TNoticeFade& fade, quint32 iStart, bool bAutoClose = true)
{
    const TNoticeFadeAnimation phase = fade.Phase();
    quint32 t = iStart;
    for (int i = 0; i < 10000 && fade.Phase() == phase; ++i) {
        t += TNoticeFade::TickMs;
        fade.Tick(t, bAutoClose);
    }
    return t;
}

TEST(NoticeRulesTest, WaitGrowsWithEveryLineFromTheSameStart)
{
    TNoticeFade fade;
    fade.AddLine(12);
    const quint32 iWaitBegins = TickUntilPhaseChanges(fade, 1000);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faWait);
    EXPECT_EQ(fade.Alpha(), 192);
    // Fading in takes 39 ticks.
    EXPECT_EQ(iWaitBegins, 1000u + 39 * 15);
    fade.Tick(iWaitBegins + 15, true); // the wait starts here
    EXPECT_EQ(fade.WaitCount(), 1700);
    fade.Tick(iWaitBegins + 15 + 1000, true);
    fade.AddLine(10);
    EXPECT_EQ(fade.WaitCount(), 2700);
    fade.Tick(iWaitBegins + 15 + 2699, true);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faWait);
    EXPECT_EQ(fade.Elapsed(iWaitBegins + 15 + 2699), 2699);
    fade.Tick(iWaitBegins + 15 + 2700, true);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faOut);
}

TEST(NoticeRulesTest, LineAddedWhileFadingOutFadesInAgain)
{
    TNoticeFade fade;
    fade.AddLine(1);
    quint32 t = TickUntilPhaseChanges(fade, 0);
    t = TickUntilPhaseChanges(fade, t);
    ASSERT_EQ(fade.Phase(), TNoticeFadeAnimation::faOut);
    for (int i = 0; i < 10; ++i)
        fade.Tick(t += 15, true);
    EXPECT_EQ(fade.Alpha(), 142);
    fade.AddLine(20);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faIn);
    fade.Tick(t += 15, true);
    EXPECT_EQ(fade.Alpha(), 147);
    // Back in the wait, with the time left of the longer wait.
    t = TickUntilPhaseChanges(fade, t);
    fade.Tick(t += 15, true);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faWait);
    // Fades out to nothing and asks to close: 39 ticks.
    fade.Click();
    int iTicks = 0;
    while (fade.Tick(t += 15, true))
        ++iTicks;
    EXPECT_EQ(iTicks, 38);
    EXPECT_EQ(fade.Alpha(), 0);
}

TEST(NoticeRulesTest, WithoutAutoCloseTheNoticeWaitsForAClick)
{
    TNoticeFade fade;
    fade.AddLine(5);
    quint32 t = TickUntilPhaseChanges(fade, 0, false);
    for (int i = 0; i < 10000; ++i)
        EXPECT_TRUE(fade.Tick(t += 15, false));
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faWait);
    EXPECT_EQ(fade.Elapsed(t), 0);
}

TEST(NoticeRulesTest, WaitIsCappedSoALargeRefreshCannotPinTheNotice)
{
    TNoticeFade fade;
    for (int i = 0; i < 500; ++i)
        fade.AddLine(20);
    EXPECT_EQ(fade.WaitCount(), TNoticeFade::MaxWaitMs);
}

TEST(NoticeRulesTest, WaitSurvivesTheClockWrapping)
{
    TNoticeFade fade;
    fade.AddLine(0);
    quint32 t = TickUntilPhaseChanges(fade, 0xFFFFFF00u - 600);
    fade.Tick(t += 15, true);
    fade.Tick(t + 499, true);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faWait);
    fade.Tick(t + 500, true);
    EXPECT_EQ(fade.Phase(), TNoticeFadeAnimation::faOut);
}

struct PlaceCase {
    int iPosition;
    QPoint expected;
};

TEST(NoticeRulesTest, SevenPlacesInTheWorkArea)
{
    const QRect work(10, 20, 800, 600);
    const QSize size(200, 78);
    const PlaceCase cases[] = {
        {npTopLeft, {15, 25}},       {npTopCenter, {10 + 292, 25}},  {npTopRight, {10 + 595, 25}},
        {npCenter, {302, 20 + 253}}, {npBottomLeft, {15, 20 + 517}}, {npBottomCenter, {302, 537}},
        {npBottomRight, {605, 537}},
    };
    for (const PlaceCase& c : cases) {
        const QRect place = NoticePlacement(c.iPosition, size, work);
        EXPECT_EQ(place.topLeft(), c.expected) << c.iPosition;
        EXPECT_EQ(place.size(), size) << c.iPosition;
    }
}

TEST(NoticeRulesTest, SecondLineGrowsTheWindowUpwardAtTheBottom)
{
    const QRect work(0, 0, 800, 600);
    const QRect one = NoticePlacement(npBottomRight, QSize(200, NoticeHeight(1)), work);
    const QRect two = NoticePlacement(npBottomRight, QSize(200, NoticeHeight(2)), work);
    EXPECT_EQ(two.height() - one.height(), 14);
    EXPECT_EQ(one.bottom(), 600 - 5 - 1);
    EXPECT_EQ(two.bottom(), one.bottom());
}

TEST(NoticeRulesTest, NoticeNeverGrowsPastTheWorkArea)
{
    const QRect work(0, 0, 800, 600);
    const int iFit = NoticeLinesThatFit(work.height());
    EXPECT_EQ(iFit, (600 - 10 - 64) / 14);
    EXPECT_LE(NoticeHeight(iFit), work.height() - 10);
    EXPECT_GT(NoticeHeight(iFit + 1), work.height() - 10);
    const QRect huge = NoticePlacement(npTopLeft, QSize(5000, NoticeHeight(1000)), work);
    EXPECT_TRUE(work.contains(huge)) << huge.x() << "," << huge.y() << " " << huge.width() << "x"
                                     << huge.height();
}

} // namespace
