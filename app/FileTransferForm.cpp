#include "FileTransferForm.h"

#include "FileTransferEngine.h"
#include "FileWindowRules.h"
#include "MessageBox.h"
#include "PeerText.h"
#include "StatusPanelBar.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

// Often enough to look smooth, seldom enough to cost nothing beside the transfer.
constexpr int kProgressIntervalMs = 40;
// The first panel is as wide as its first text and this much more.
constexpr int kStatusPanelExtra = 12;
// The progress bar's inset from its panel: 8 pixels to each side, 4 from the top and 3 from the bottom.
constexpr int kBarInsetLeft = 8;
constexpr int kBarInsetWidth = 16;
constexpr int kBarInsetTop = 4;
constexpr int kBarInsetHeight = 7;
// The last words' boxes, one kind per window.
const QString kLastWordKind = QStringLiteral("FileLastWord ");

} // namespace

TFileTransferForm::TFileTransferForm(TWindowKind kind, const QSize& designSize, const QString& sInitialStatus,
                                     const TWindowServicesRef& services)
    : TCommonForm(kind, designSize), PrEngine(services)
{
    static quint64 iWindowsMade = 0;
    PrLastWordKind = kLastWordKind + QString::number(++iWindowsMade);
    // The caption tells the percentage; the header keeps its own title.
    disconnect(this, &QWidget::windowTitleChanged, laTitle, &QLabel::setText);
    sbInformation->SetPanelWidth(0, QFontMetrics(sbInformation->font()).horizontalAdvance(sInitialStatus) +
                                        kStatusPanelExtra);
    sbInformation->SetPanelText(0, sInitialStatus);
    pbProgress = new QProgressBar(sbInformation);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setRange(0, 100);
    pbProgress->setValue(0);
    pbProgress->setTextVisible(false);
    connect(sbInformation, &TStatusPanelBar::Resized, this, &TFileTransferForm::ProgressLayout);
    StatusBarLayout();
    ProgressLayout();
    PrProgressTimer.setSingleShot(true);
    connect(&PrProgressTimer, &QTimer::timeout, this, &TFileTransferForm::ProgressApply);
}

QString TFileTransferForm::StatusText() const
{
    return sbInformation->PanelText(0);
}

int TFileTransferForm::ProgressShown() const
{
    return pbProgress->value();
}

void TFileTransferForm::StatusTextSet(const QString& sText)
{
    sbInformation->SetPanelText(0, sText);
}

void TFileTransferForm::ProgressLayout()
{
    StatusBarLayout();
    const QRect panel = sbInformation->PanelRect(1);
    pbProgress->setGeometry(sbInformation->PanelWidth(0) + kBarInsetLeft, kBarInsetTop,
                            qMax(0, panel.width() - kBarInsetWidth),
                            qMax(0, sbInformation->height() - kBarInsetHeight));
}

void TFileTransferForm::ProgressSet(LPARAM lPercent, const QString& sStatusLead, const QString& sCaptionTail)
{
    PrPendingPercent = lPercent;
    PrStatusLead = sStatusLead;
    PrCaptionTail = sCaptionTail;
    if (PrProgressTimer.isActive())
        return;
    const qint64 since = PrShownAt.isValid() ? PrShownAt.elapsed() : kProgressIntervalMs;
    if (since >= kProgressIntervalMs)
        ProgressApply();
    else
        PrProgressTimer.start(static_cast<int>(kProgressIntervalMs - since));
}

void TFileTransferForm::ProgressFlush()
{
    PrProgressTimer.stop();
    ProgressApply();
}

void TFileTransferForm::ProgressApply()
{
    if (PrPendingPercent < 0 || PrPendingPercent == PrShownPercent) {
        PrPendingPercent = -1;
        return;
    }
    const QString percent = QString::number(PrPendingPercent);
    pbProgress->setValue(static_cast<int>(PrPendingPercent));
    StatusTextSet(PrStatusLead + percent + QStringLiteral("% 完了"));
    setWindowTitle(percent + PrCaptionTail);
    PrShownPercent = PrPendingPercent;
    PrPendingPercent = -1;
    PrShownAt.start();
}

void TFileTransferForm::Foreground()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    WindowForeground(this);
}

void TFileTransferForm::PeerSet(const TPeer& peer, const QString& sLead)
{
    PrMachine = peer.MachineName;
    PrMachineDiscrimination = peer.Discrimination;
    const QString sHandle = Engine().UserHandle(peer.MachineName, peer.Discrimination);
    if (!sHandle.isEmpty())
        laTitle->setText(PeerHeaderText(laTitle->text(), sLead, sHandle));
}

bool TFileTransferForm::TransferKept(const QString& sQuestion)
{
    if (PrSocketNo == 0)
        return false;
    const bool bCancel = AskYes(sQuestion, YesNoQuestionNoDefault);
    // A transfer that ended while the question was open leaves nothing to keep the window for.
    return !bCancel && PrSocketNo != 0;
}

void TFileTransferForm::LastWordShow(const QString& sStatus, const QString& sText, int iIcon)
{
    Foreground();
    StatusTextSet(sStatus);
    if (sText.isEmpty()) {
        close();
        return;
    }
    WarningShow(PrLastWordKind, sText, iIcon, this, [this] { close(); });
}
