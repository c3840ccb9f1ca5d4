#include "NoticeUnit.h"

#include "ParvaneNetwork.h"
#include "ProjectImages.h"
#include "SubUnit.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

const QString kTitleText = QStringLiteral("Parvane 2 - Notice -");
// The colour that stands for see-through; the window's shape leaves it out.
const QColor kTransparentColor(192, 192, 192);
const QColor kBodyColor(17, 0, 0);
const QColor kTitleShadow(102, 85, 85);
const QColor kTitleColor(255, 238, 238);
const QColor kBarColor(204, 68, 68);
constexpr int kTitleExtra = 73;
constexpr int kLineExtra = 34;
constexpr int kFontPoints = 9;

QString FirstInstalled(const QStringList& slFamilies, bool& bFound)
{
    for (const QString& sFamily : slFamilies)
        if (QFontDatabase::hasFamily(sFamily)) {
            bFound = true;
            return sFamily;
        }
    bFound = false;
    return slFamilies.last();
}

QRect WorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

QPainterPath BodyPath(int iWidth, int iHeight)
{
    QPainterPath path;
    // The circle overlaps the body's corner; the overlap belongs to both.
    path.setFillRule(Qt::WindingFill);
    path.addRoundedRect(QRectF(15, 20, iWidth - 15, iHeight - 20), 7.5, 7.5);
    path.addEllipse(QRectF(0, 0, 54, 54));
    return path;
}

} // namespace

quint32 NoticeClockNow()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return quint32(clock.elapsed());
}

void NoticeAdd(const QString& Text)
{
    NoticeMessage(Text);
}

namespace {

TNoticeSettings CurrentNoticeSettings()
{
    return {NoticeAutoClose, NoticeAutoCloseAbsenceCancel, NoticeAbsenceHide};
}

TWindowServicesRef& NoticeServices()
{
    static TWindowServicesRef services;
    return services;
}

bool OwnAbsence()
{
    const TParvaneNetwork* pvn = NoticeServices()->Engine;
    return pvn != nullptr && pvn->Absence();
}

} // namespace

void NoticeServicesSet(const TWindowServicesRef& services)
{
    NoticeServices() = services;
}

void NoticeMessage(const QString& Text)
{
    NoticeShow(Text, NoticePosition, NoticeMessageAutoClose(CurrentNoticeSettings(), OwnAbsence()));
}

void NoticeShow(const QString& Text, int Position, bool AutoClose)
{
    if (NoticeSuppressed(CurrentNoticeSettings(), OwnAbsence()))
        return;
    if (NoticeForm == nullptr)
        NoticeForm = new TNoticeForm;
    NoticeForm->SetAutoClose(AutoClose);
    if (Position >= npTopLeft && Position <= npBottomRight)
        NoticeForm->SetPosition(Position);
    NoticeForm->AddMessage(Text);
    NoticeForm->show();
}

TNoticeForm::TNoticeForm()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
{
    setObjectName(QStringLiteral("NoticeForm"));
    setWindowTitle(kTitleText);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    prIcon = ProjectImages::NoticeIconImage();
    setWindowOpacity(0.0);

    bool bFound = false;
    prTitleFont = QFont(FirstInstalled({QStringLiteral("Meiryo UI"), QStringLiteral("メイリオ"),
                                        QStringLiteral("Tahoma"), QStringLiteral("MS UI Gothic")},
                                       bFound));
    prTitleFont.setBold(true);
    // Only a listed face is set italic; the stand-in is upright.
    const bool bItalic = prTitleFont.family() != QStringLiteral("MS UI Gothic");
    prTitleFont.setItalic(bItalic);
    prTitleFont.setPointSize(kFontPoints);
    prLineFont = QFont(FirstInstalled(
        {QStringLiteral("Meiryo UI"), QStringLiteral("メイリオ"), QStringLiteral("MS UI Gothic")}, bFound));
    prLineFont.setBold(true);
    prLineFont.setPointSize(kFontPoints);
    prTitleWidth = QFontMetrics(prTitleFont).horizontalAdvance(kTitleText);

    FadeTimer.setInterval(TNoticeFade::TickMs);
    connect(&FadeTimer, &QTimer::timeout, this, &TNoticeForm::FadeTimerTimer);
    FadeTimer.start();
    NoticeLayoutUpdate();
}

TNoticeForm::~TNoticeForm()
{
    if (NoticeForm == this)
        NoticeForm = nullptr;
}

void TNoticeForm::SetAutoClose(bool AutoClose)
{
    prAutoClose = AutoClose;
}

void TNoticeForm::SetPosition(int Position)
{
    if (Position == prPosition)
        return;
    prPosition = Position;
    NoticeLayoutUpdate();
}

void TNoticeForm::AddMessage(const QString& sMessage)
{
    prMessage.append(sMessage);
    TLineLayout line{QStaticText(sMessage), QFontMetrics(prLineFont).horizontalAdvance(sMessage)};
    line.text.setTextFormat(Qt::PlainText);
    line.text.prepare(QTransform(), prLineFont);
    prLayouts.append(line);
    if (prMessage.size() > NoticeLinesKeptMax) {
        prMessage.removeFirst();
        prLayouts.removeFirst();
    }
    prFade.AddLine(sMessage.size());
    // A window not yet shown is laid out before it shows; one that is shown takes the
    // lines of a burst (a full LAN answering a log-in) in one layout.
    if (isVisible())
        NoticeLayoutLater();
    else
        NoticeLayoutUpdate();
}

void TNoticeForm::NoticeLayoutLater()
{
    if (prLayoutPending)
        return;
    prLayoutPending = true;
    QTimer::singleShot(0, this, [this] {
        if (prLayoutPending)
            NoticeLayoutUpdate();
    });
}

qsizetype TNoticeForm::ShownLineCount() const
{
    return qMin(prMessage.size(), qsizetype(NoticeLinesThatFit(WorkArea().height())));
}

QStringList TNoticeForm::ShownLines() const
{
    return prMessage.mid(prMessage.size() - ShownLineCount());
}

void TNoticeForm::NoticeLayoutUpdate()
{
    prLayoutPending = false;
    const qsizetype iShown = ShownLineCount();
    int iWidth = prTitleWidth + kTitleExtra;
    for (qsizetype i = prLayouts.size() - iShown; i < prLayouts.size(); ++i)
        iWidth = qMax(iWidth, prLayouts[i].iWidth + kLineExtra);
    const QRect place = NoticePlacement(prPosition, QSize(iWidth, NoticeHeight(int(iShown))), WorkArea());
    setGeometry(place);
    // Where the body is not painted the window is not there: clicks go through to what is below.
    QRegion shape;
    for (const QPolygonF& polygon : BodyPath(place.width(), place.height()).toFillPolygons())
        shape += QRegion(polygon.toPolygon(), Qt::WindingFill);
    setMask(shape);
    update();
}

void TNoticeForm::FadeTimerTimer()
{
    if (!prFade.Tick(NoticeClockNow(), prAutoClose)) {
        FadeTimer.stop();
        close();
        return;
    }
    // Without a compositor the opacity has no effect; the notice still shows and goes in time.
    setWindowOpacity(prFade.Alpha() / 255.0);
    // Only the time bar moves; the rest stays as it was painted.
    if (prAutoClose)
        update(TimeBarRect());
}

QRect TNoticeForm::TimeBarRect() const
{
    // The bar's rounded rectangle with its outline, a pixel to spare around it.
    return QRect(19, height() - 9, width() - 24, 7);
}

void TNoticeForm::mousePressEvent(QMouseEvent* event)
{
    prFade.Click();
    event->accept();
}

void TNoticeForm::closeEvent(QCloseEvent* event)
{
    FadeTimer.stop();
    if (NoticeForm == this)
        NoticeForm = nullptr;
    QWidget::closeEvent(event);
}

void TNoticeForm::paintEvent(QPaintEvent*)
{
    const int CW = width();
    const int CH = height();
    QPainter painter(this);
    painter.fillRect(rect(), kTransparentColor);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBodyColor);
    painter.drawPath(BodyPath(CW, CH));
    painter.drawPixmap(QRect(9, 9, 32, 32), prIcon);

    painter.setRenderHint(QPainter::Antialiasing, false);
    const struct {
        int x, y;
        QColor color;
    } separators[] = {
        {50, 42, QColor(221, 204, 204)}, {55, 43, QColor(153, 136, 136)}, {60, 44, QColor(85, 68, 68)}};
    for (const auto& line : separators) {
        painter.setPen(line.color);
        painter.drawLine(line.x, line.y, CW - 5, line.y);
    }

    if (prAutoClose) {
        const int iWait = qMax(1, prFade.WaitCount());
        const int iElapsed = prFade.Elapsed(NoticeClockNow());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::white);
        painter.setBrush(kBarColor);
        const int iRight = 20 + (CW - 26) * iElapsed / iWait;
        if (iRight > 20)
            painter.drawRoundedRect(QRect(20, CH - 8, iRight - 20, 4), 1, 1);
    }

    painter.setFont(prTitleFont);
    const int iAscent = QFontMetrics(prTitleFont).ascent();
    painter.setPen(kTitleShadow);
    painter.drawText(56, 26 + iAscent, kTitleText);
    painter.setPen(kTitleColor);
    painter.drawText(55, 25 + iAscent, kTitleText);

    painter.setFont(prLineFont);
    painter.setPen(Qt::white);
    const qsizetype iShown = ShownLineCount();
    const qsizetype iFirst = prLayouts.size() - iShown;
    for (qsizetype i = 0; i < iShown; ++i)
        painter.drawStaticText(25, int(50 + NoticeLineHeight * i), prLayouts[iFirst + i].text);
}
