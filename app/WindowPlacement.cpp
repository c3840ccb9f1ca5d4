#include "WindowPlacement.h"

#include "IniFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <functional>

namespace {

const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
// How much of a window's top edge must show on a screen for the user to grab it.
constexpr int kGrabBandHeight = 8;
constexpr int kGrabWidth = 40;
// A stored place beyond this lies on no screen there could be; held within it,
// the sums of place and size stay in range.
constexpr int kFarAway = 1000000;

qint64 DistanceToRect(const QPoint& point, const QRect& rect)
{
    const qint64 dx = point.x() < rect.left() ? rect.left() - point.x() : qMax(0, point.x() - rect.right());
    const qint64 dy = point.y() < rect.top() ? rect.top() - point.y() : qMax(0, point.y() - rect.bottom());
    return dx * dx + dy * dy;
}

} // namespace

QPoint CentredPosition(const QSize& clientSize, const QRect& primaryScreen)
{
    return QPoint(primaryScreen.left() + (primaryScreen.width() - clientSize.width()) / 2,
                  primaryScreen.top() + (primaryScreen.height() - clientSize.height()) / 2);
}

QPoint HoldOnMonitor(QRect frame, const QRect& monitor, const QRect& workArea)
{
    if (frame.left() < monitor.left())
        frame.moveLeft(monitor.left());
    if (frame.top() < monitor.top())
        frame.moveTop(monitor.top());
    if (frame.left() + frame.width() > workArea.right() + 1)
        frame.moveLeft(workArea.right() + 1 - frame.width());
    if (frame.top() + frame.height() > workArea.bottom() + 1)
        frame.moveTop(workArea.bottom() + 1 - frame.height());
    return frame.topLeft();
}

QRect PlacementOnScreens(const QRect& frame, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return frame;
    const QRect topEdge(frame.left(), frame.top(), frame.width(), qMin(frame.height(), kGrabBandHeight));
    const int grabWidth = qMin(frame.width(), kGrabWidth);
    for (const QRect& screen : screens) {
        const QRect shown = topEdge.intersected(screen);
        if (!shown.isEmpty() && shown.width() >= grabWidth && shown.height() >= topEdge.height())
            return frame;
    }
    const QRect* nearest = &screens.front();
    for (const QRect& screen : screens) {
        if (DistanceToRect(frame.center(), screen) < DistanceToRect(frame.center(), *nearest))
            nearest = &screen;
    }
    const int left = qMax(nearest->left(), qMin(frame.left(), nearest->right() + 1 - frame.width()));
    const int top = qMax(nearest->top(), qMin(frame.top(), nearest->bottom() + 1 - frame.height()));
    return QRect(QPoint(left, top), frame.size());
}

TWindowPlacement WindowPlacementRead(const IniFile& ini, const QString& sSection, const QSize& designSize)
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect primaryRect = primary != nullptr ? primary->geometry() : QRect(QPoint(0, 0), designSize);
    const QPoint centre = CentredPosition(designSize, primaryRect);
    QList<QRect> screens;
    QRect desktop = primaryRect;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.append(screen->geometry());
        desktop = desktop.united(screen->geometry());
    }
    // Far-off places would overflow the rectangle arithmetic; they are pulled back anyway.
    const int left = qBound(-kFarAway, ini.ReadInteger(sSection, kLeft, centre.x()), kFarAway);
    const int top = qBound(-kFarAway, ini.ReadInteger(sSection, kTop, centre.y()), kFarAway);
    int width = ini.ReadInteger(sSection, kWidth, 0);
    int height = ini.ReadInteger(sSection, kHeight, 0);
    // A size of nothing would leave a window that cannot be seen or grabbed, and one
    // larger than all screens together only costs memory.
    const bool bDesignSize = width < 1 || height < 1;
    if (bDesignSize) {
        width = designSize.width();
        height = designSize.height();
    }
    width = qMin(width, desktop.width());
    height = qMin(height, desktop.height());
    return {PlacementOnScreens(QRect(left, top, width, height), screens), bDesignSize};
}

namespace {

QSize FrameExtra(const QWidget* window)
{
    return window->frameGeometry().size() - window->size();
}

// Runs a step once, as soon as the window manager has put the frame around the window.
class TOnceFramed : public QObject {
public:
    TOnceFramed(QWidget* window, std::function<void(QWidget*)> step) : QObject(window), FStep(std::move(step))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize)
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isVisible() || FrameExtra(window).isNull())
            return false;
        window->removeEventFilter(this);
        FStep(window);
        deleteLater();
        return false;
    }

private:
    std::function<void(QWidget*)> FStep;
};

} // namespace

void HoldOnMonitorWhenFramed(QWidget* window, const QRect& monitor, const QRect& workArea)
{
    if (!FrameExtra(window).isNull())
        return;
    // The frame it was placed by was only a guess.
    new TOnceFramed(window, [monitor, workArea](QWidget* framed) {
        const QPoint held = HoldOnMonitor(framed->frameGeometry(), monitor, workArea);
        if (held != framed->frameGeometry().topLeft())
            framed->move(held);
    });
}

void WindowPlacementApply(QWidget* window, const TWindowPlacement& placement)
{
    const QSize extra = FrameExtra(window);
    window->resize(placement.bDesignSize ? placement.frame.size() : placement.frame.size() - extra);
    window->move(placement.frame.topLeft());
    // The client size that makes the frame the stored size.
    if (!placement.bDesignSize && extra.isNull())
        new TOnceFramed(window, [frameSize = placement.frame.size()](QWidget* framed) {
            framed->resize(frameSize - FrameExtra(framed));
        });
}

void WindowMinimumSizeSet(QWidget* window, const QSize& minimumWindowSize)
{
    window->setMinimumSize(minimumWindowSize - WindowLayoutFrame);
}

bool WindowPlacementWrite(IniFile& ini, const QString& sSection, const QWidget* window)
{
    QRect frame = window->frameGeometry();
    if (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        const QPoint frameOffset = window->pos() - window->geometry().topLeft();
        frame = QRect(window->normalGeometry().topLeft() + frameOffset,
                      window->normalGeometry().size() + FrameExtra(window));
    }
    return ini.WriteInteger(sSection, kLeft, frame.left()) && ini.WriteInteger(sSection, kTop, frame.top()) &&
           ini.WriteInteger(sSection, kWidth, frame.width()) &&
           ini.WriteInteger(sSection, kHeight, frame.height());
}
