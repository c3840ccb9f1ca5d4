// The notice window itself: where it stands, that it takes no focus, its shape,
// and that it goes by itself or at a click.
#include "NoticeUnit.h"

#include "MainFormFixture.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "RecordSender.h"
#include "WaitUntil.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <climits>
#include <gtest/gtest.h>
#include <map>

namespace {

class NoticeWindowTest : public testing::Test {
protected:
    void TearDown() override { delete NoticeForm; }
    static QRect Work() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(NoticeWindowTest, ShowsAboveWithoutTheFocusAndGrowsUpward)
{
    QWidget other;
    other.show();
    other.activateWindow();
    NoticeShow(QStringLiteral("「花子」がログインしました。"), npBottomRight, true);
    ASSERT_NE(NoticeForm, nullptr);
    TNoticeForm* form = NoticeForm;
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_NE(QApplication::activeWindow(), form);
    const QRect one = form->geometry();
    EXPECT_EQ(one.height(), 78);
    EXPECT_EQ(one.bottom(), Work().bottom() - 5);
    EXPECT_EQ(one.right(), Work().right() - 5);

    NoticeShow(QStringLiteral("「太郎」がチャットへ参加しました。"), 99, true);
    EXPECT_EQ(NoticeForm, form);
    EXPECT_EQ(form->Lines().size(), 2);
    EXPECT_EQ(form->Position(), npBottomRight);
    // A shown notice takes the lines of one turn of the event loop in one layout.
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return form->geometry().height() == one.height() + 14; }, 5000));
    EXPECT_EQ(form->geometry().bottom(), one.bottom());
    EXPECT_EQ(form->Fade().WaitCount(), 500 + 100 * (14 + 17));
    const QString sFolder = qEnvironmentVariable("PARVANE_SHOTS");
    if (!sFolder.isEmpty())
        form->grab().save(QDir(sFolder).filePath(QStringLiteral("notice.png")));

    NoticeShow(QStringLiteral("x"), npTopLeft, true);
    EXPECT_EQ(form->geometry().topLeft(), Work().topLeft() + QPoint(5, 5));
}

// Counts the times a widget is given a new size.
class ResizeCount : public QObject {
public:
    explicit ResizeCount(QWidget* widget) { widget->installEventFilter(this); }
    int iResized = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            ++iResized;
        return false;
    }
};

// The lines of one turn of the event loop (a LAN answering a log-in) are laid out
// together: the shown notice grows once, to the size the last line leaves it.
TEST_F(NoticeWindowTest, LinesOfOneTurnAreLaidOutTogether)
{
    NoticeShow(QStringLiteral("「花子」がログインしました。"), npBottomRight, true);
    ASSERT_NE(NoticeForm, nullptr);
    TNoticeForm* form = NoticeForm;
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return form->isVisible() && form->height() == 78; }, 5000));
    const int iBottom = form->geometry().bottom();
    ResizeCount resized(form);
    constexpr int kLines = 10;
    for (int i = 0; i < kLines; ++i)
        NoticeShow(QStringLiteral("「利用者%1」がログインしました。").arg(i), npBottomRight, true);
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return form->height() == 78 + kLines * 14; }, 5000));
    TestSupport::PumpFor(50);
    EXPECT_EQ(resized.iResized, 1);
    EXPECT_EQ(form->geometry().bottom(), iBottom);
    EXPECT_EQ(form->ShownLines().size(), kLines + 1);
}

TEST_F(NoticeWindowTest, SeeThroughPartsAreNotPartOfTheWindow)
{
    NoticeShow(QStringLiteral("「花子」がログインしました。"), npBottomRight, true);
    const QRegion shape = NoticeForm->mask();
    const QSize size = NoticeForm->size();
    EXPECT_FALSE(shape.contains(QPoint(size.width() - 2, 2)));
    EXPECT_FALSE(shape.contains(QPoint(2, size.height() - 2)));
    EXPECT_TRUE(shape.contains(QPoint(27, 27))); // the circle's centre
    EXPECT_TRUE(shape.contains(QPoint(40, 40))); // where circle and body overlap
    EXPECT_TRUE(shape.contains(QPoint(size.width() / 2, size.height() / 2)));
}

TEST_F(NoticeWindowTest, AClickFadesItOutAtOnce)
{
    NoticeShow(QStringLiteral("「花子」からメッセージが届きました。"), npCenter, false);
    ASSERT_NE(NoticeForm, nullptr);
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(60, 40), QPointF(60, 40), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(NoticeForm, &click);
    EXPECT_TRUE(click.isAccepted());
    EXPECT_EQ(NoticeForm->Fade().Phase(), TNoticeFadeAnimation::faOut);
    EXPECT_TRUE(TestSupport::WaitUntil([] { return NoticeForm == nullptr; }, 3000));
}

TEST_F(NoticeWindowTest, WithoutAutoCloseItStays)
{
    NoticeShow(QStringLiteral("x"), npCenter, false);
    EXPECT_FALSE(TestSupport::WaitUntil([] { return NoticeForm == nullptr; }, 2500));
    EXPECT_EQ(NoticeForm->Fade().Phase(), TNoticeFadeAnimation::faWait);
}

TEST_F(NoticeWindowTest, ItGoesByItselfInTime)
{
    NoticeShow(QStringLiteral("x"), npCenter, true);
    // 600 ms of waiting between two fades of some 0.6 s each.
    EXPECT_TRUE(TestSupport::WaitUntil([] { return NoticeForm == nullptr; }, 6000));
}

TEST_F(NoticeWindowTest, ManyLinesKeepTheNewestThatFit)
{
    for (int i = 0; i < 300; ++i)
        NoticeShow(QStringLiteral("「利用者%1」がログインしました。").arg(i), npBottomRight, true);
    ASSERT_NE(NoticeForm, nullptr);
    EXPECT_TRUE(Work().contains(NoticeForm->geometry()));
    const QStringList slShown = NoticeForm->ShownLines();
    EXPECT_LT(slShown.size(), 300);
    EXPECT_EQ(slShown.last(), QStringLiteral("「利用者299」がログインしました。"));
    EXPECT_EQ(NoticeForm->Fade().WaitCount(), TNoticeFade::MaxWaitMs);
}

// The regions of the window that are painted, from when it is made to record.
class TPaintRecorder : public QObject {
public:
    explicit TPaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    QList<QRegion> regions;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            regions << static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// The lines are laid out when they are added; the fade's timer, which runs every
// 15 ms for as long as the notice shows, redraws the moving time bar alone.
TEST_F(NoticeWindowTest, ItsTimerRedrawsTheTimeBarNotTheLines)
{
    const int iLines = 20;
    for (int i = 0; i < iLines; ++i)
        NoticeShow(QStringLiteral("「利用者%1」がログインしました。").arg(i), npBottomRight, true);
    TNoticeForm* form = NoticeForm;
    ASSERT_NE(form, nullptr);
    TPaintRecorder first(form);
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return !first.regions.isEmpty(); }));
    TPaintRecorder ticks(form);
    ASSERT_TRUE(TestSupport::WaitUntil([&] {
        return form->Fade().Phase() == TNoticeFadeAnimation::faWait &&
               form->Fade().Elapsed(NoticeClockNow()) > 300;
    }));
    QCoreApplication::processEvents();
    const QRect lines(0, 50, form->width(), NoticeLineHeight * iLines);
    EXPECT_FALSE(ticks.regions.isEmpty()) << "the time bar did not move";
    for (const QRegion& region : ticks.regions)
        EXPECT_FALSE(region.intersects(lines)) << "a tick redrew the lines";
}

// Notices that keep coming keep the window open; it keeps only so many of their lines.
TEST_F(NoticeWindowTest, AnEndlessStreamOfNoticesKeepsABoundedNumberOfLines)
{
    // As many lines as the tallest work area shows (a portrait screen of 3840 pixels), and no more.
    constexpr int kLinesKeptAtMost = 256;
    EXPECT_LE(NoticeLinesKeptMax, kLinesKeptAtMost);
    for (int i = 0; i < 3000; ++i)
        NoticeShow(QStringLiteral("「利用者%1」がログインしました。").arg(i), npBottomRight, true);
    ASSERT_NE(NoticeForm, nullptr);
    EXPECT_LE(NoticeForm->Lines().size(), NoticeLinesKeptMax);
    EXPECT_LE(NoticeForm->Lines().size(), kLinesKeptAtMost);
    EXPECT_GE(NoticeForm->Lines().size(), NoticeForm->ShownLines().size());
    EXPECT_EQ(NoticeForm->ShownLines().last(), QStringLiteral("「利用者2999」がログインしました。"));
}

// The window is as wide as the lines it shows: a long line that has gone out of view
// above the newer ones leaves it as narrow as the short lines it shows.
TEST_F(NoticeWindowTest, ALongLineOutOfViewNoLongerWidensTheWindow)
{
    const QString sShort = QStringLiteral("「花子」がログインしました。");
    const QString sLong = QStringLiteral("「%1」がログインしました。").arg(QString(40, QChar(0x9577)));
    NoticeShow(sShort, npBottomRight, true);
    const int iNarrow = NoticeForm->width();
    NoticeShow(sLong, npBottomRight, true);
    // Lines added to a window on screen are laid out together at the turn's end.
    TestSupport::WaitUntil([&] { return NoticeForm->width() > iNarrow + 100; }, 5000);
    const int iWide = NoticeForm->width();
    ASSERT_GT(iWide, iNarrow + 100);
    ASSERT_LT(iWide, Work().width() - 2 * NoticeMargin) << "the long line is cut to the work area";
    const int iFit = NoticeLinesThatFit(Work().height());
    for (int i = 0; i < iFit; ++i)
        NoticeShow(sShort, npBottomRight, true);
    ASSERT_TRUE(NoticeForm->Lines().contains(sLong));
    ASSERT_FALSE(NoticeForm->ShownLines().contains(sLong));
    TestSupport::WaitUntil([&] { return NoticeForm->width() == iNarrow; }, 5000);
    EXPECT_EQ(NoticeForm->width(), iNarrow);
}

// Records the texts a paint draws, by the height they are drawn at, and draws nothing.
class TTextRecordingEngine : public QPaintEngine {
public:
    TTextRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawRects(const QRectF*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawEllipse(const QRectF&) override {}
    // A line may come in several items (one per script or font); they join again at their height.
    void drawTextItem(const QPointF& at, const QTextItem& item) override
    {
        texts[qRound(at.y())] += item.text();
    }

    std::map<int, QString> texts;
};

class TTextRecordingDevice : public QPaintDevice {
public:
    explicit TTextRecordingDevice(QSize size) : FSize(size) {}
    QPaintEngine* paintEngine() const override { return &FEngine; }
    const std::map<int, QString>& Texts() const { return FEngine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return FSize.width();
        case PdmHeight:
            return FSize.height();
        case PdmWidthMM:
            return FSize.width() * 254 / 960;
        case PdmHeightMM:
            return FSize.height() * 254 / 960;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize FSize;
    mutable TTextRecordingEngine FEngine;
};

// A paint draws the title and the lines shown, not every line kept: a window
// that keeps many lines out of view paints no more than one that keeps none.
TEST_F(NoticeWindowTest, APaintDrawsOnlyTheLinesShown)
{
    for (int i = 0; i < 300; ++i)
        NoticeShow(QStringLiteral("「利用者%1」がログインしました。").arg(i), npBottomRight, true);
    ASSERT_NE(NoticeForm, nullptr);
    const QStringList slShown = NoticeForm->ShownLines();
    ASSERT_LT(slShown.size(), NoticeForm->Lines().size());
    TTextRecordingDevice device(NoticeForm->size());
    NoticeForm->render(&device);
    QStringList slDrawn;
    for (const auto& [iHeight, sText] : device.Texts())
        if (sText != QStringLiteral("Parvane 2 - Notice -"))
            slDrawn << sText;
    EXPECT_EQ(slDrawn, slShown);
}

// The notices of the program's events while its user is away or not: hidden, or
// kept open in place of going by themselves, as the settings say.
class NoticeAwayTest : public MainFormFixture {
protected:
    void CloseWindows() override { delete NoticeForm; }
};

TEST_F(NoticeAwayTest, AwayNoticesAreHiddenOrKeptOpenAsSet)
{
    const struct {
        const char* sName;
        bool bAway;
        bool bHide;
        bool bKeepOpenWhileAway;
        bool bShown;
        bool bAutoClose;
    } cases[] = {
        {.sName = "present",
         .bAway = false,
         .bHide = true,
         .bKeepOpenWhileAway = true,
         .bShown = true,
         .bAutoClose = true},
        {.sName = "away, hidden",
         .bAway = true,
         .bHide = true,
         .bKeepOpenWhileAway = false,
         .bShown = false,
         .bAutoClose = false},
        {.sName = "away, not hidden",
         .bAway = true,
         .bHide = false,
         .bKeepOpenWhileAway = false,
         .bShown = true,
         .bAutoClose = true},
        {.sName = "away, kept open",
         .bAway = true,
         .bHide = true,
         .bKeepOpenWhileAway = true,
         .bShown = true,
         .bAutoClose = false},
    };
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    for (const auto& c : cases) {
        form.PVN->SetAbsence(c.bAway);
        NoticeAbsenceHide = c.bHide;
        NoticeAutoClose = true;
        NoticeAutoCloseAbsenceCancel = c.bKeepOpenWhileAway;
        NoticeAdd(QStringLiteral("「花子」がログインしました。"));
        EXPECT_EQ(NoticeForm != nullptr, c.bShown) << c.sName;
        if (NoticeForm != nullptr) {
            EXPECT_EQ(NoticeForm->AutoClose(), c.bAutoClose) << c.sName;
            EXPECT_EQ(NoticeForm->Lines(), QStringList{QStringLiteral("「花子」がログインしました。")})
                << c.sName;
        }
        delete NoticeForm;
    }
    form.PVN->SetAbsence(false);
}

// The whole program in host 1 of the test LAN while a peer in host 2 logs in and
// out 2.5 times a second for 20 s with a handle of 20 KB, each time a notice line:
// a colleague in host 3 writes every two seconds, and every message gets its receipt.
TEST(NoticeStormLan, AColleaguesMessagesAreAnsweredWhileAHugeHandleTogglesForTwentySeconds)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) << "Xvfb is not installed";
    TestLan lan(3);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    TestSupport::ProgramCopy program(lan, 0);
    ASSERT_TRUE(program.Start("[Option]\r\nHandleName=Taro\r\nCustomizeStartVersionCheck=0\r\n"));
    TestSupport::PeerProcess colleague;
    ASSERT_TRUE(colleague.StartLoggedIn(lan, 2, QStringLiteral("花子")));
    ASSERT_TRUE(TestSupport::PollFor([&] { return colleague.Get("LoginCount") == "2"; }, 15000, 100));

    const QString sPeer = lan.Address(1);
    TestSupport::RecordSender toggler(lan, 1, sPeer);
    const QString sHandle = QStringLiteral("長").repeated(10000);
    const QString records[] = {
        QStringLiteral("PVMESSAGE:LOGIN&|PVHOST2&|%1&|Parvane2&|%2&|2200&|0&|0&|0&|52000&|%1\r\n&|")
            .arg(sPeer, sHandle),
        QStringLiteral("PVMESSAGE:LOGOUT&|PVHOST2&|Parvane2")};
    QStringList slSent;
    QElapsedTimer clock;
    clock.start();
    for (int iTick = 0; iTick < 100; ++iTick) {
        ASSERT_TRUE(toggler.Send(records[iTick % 2]));
        if (iTick % 10 == 5) {
            const QString sId = colleague.Call("MessageSend", {QStringLiteral("用件%1").arg(iTick / 10),
                                                               lan.MachineName(0), "Parvane2", "0"});
            ASSERT_FALSE(sId.isEmpty());
            slSent << sId;
        }
        // A toggle every 200 ms from the start, however long a send took.
        const qint64 iNext = qint64(iTick + 1) * 200;
        if (clock.elapsed() < iNext)
            QThread::msleep(static_cast<unsigned long>(iNext - clock.elapsed()));
    }
    ASSERT_EQ(slSent.size(), 10);

    QStringList slAnswered;
    while (slAnswered.size() < slSent.size()) {
        const std::optional<QStringList> ok = colleague.WaitEvent("OnMessageOk", 30000);
        if (!ok)
            break;
        slAnswered << ok->value(0);
    }
    slAnswered.sort();
    slSent.sort();
    EXPECT_EQ(slAnswered.join(u' ').toStdString(), slSent.join(u' ').toStdString());
    EXPECT_TRUE(program.Running());
}

} // namespace
