#include "CommonForm.h"

#include "IniFile.h"
#include "MessageBox.h"
#include "StatusPanelBar.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <memory>

namespace {

const QString kAlphaBlend = QStringLiteral("AlphaBlend");

constexpr int kHeaderHeight = 24;
constexpr int kHeaderImageSize = 20;
const QColor kHeaderTextColor(202, 202, 255);
constexpr int kSliderWidth = 79;
constexpr int kSliderPageSize = 10;
// The slider's panel is this much wider than the slider; the slider sits this far into it.
constexpr int kSliderPanelExtra = 12;
constexpr int kSliderInset = 2;
constexpr int kFirstPanelWidth = 120;

} // namespace

int AlphaBlendClamp(int iPosition)
{
    return qBound(AlphaBlendMinimum, iPosition, AlphaBlendMaximum);
}

QString AlphaBlendHint(int iPosition)
{
    const int position = AlphaBlendClamp(iPosition);
    const int percent =
        (position - AlphaBlendMinimum) * 100 / (AlphaBlendMaximum - AlphaBlendMinimum + 1) + 1;
    return QStringLiteral("ブレンド率 %1%").arg(percent);
}

QSlider* AlphaBlendSliderCreate(QWidget* parent)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(AlphaBlendMinimum, AlphaBlendMaximum);
    slider->setPageStep(kSliderPageSize);
    slider->setValue(AlphaBlendMaximum);
    slider->setTickPosition(QSlider::NoTicks);
    slider->setFixedWidth(kSliderWidth);
    return slider;
}

int AlphaBlendRead(const IniFile& ini, const QString& sSection)
{
    return AlphaBlendClamp(ini.ReadInteger(sSection, kAlphaBlend, AlphaBlendMaximum));
}

bool AlphaBlendWrite(IniFile& ini, const QString& sSection, int iPosition)
{
    return ini.WriteInteger(sSection, kAlphaBlend, iPosition);
}

void AlphaBlendApply(QWidget* window, QSlider* slider)
{
    window->setWindowOpacity(slider->value() / 255.0);
    slider->setToolTip(AlphaBlendHint(slider->value()));
}

TCommonForm::TCommonForm(TWindowKind kind, const QSize& designSize)
    : QWidget(nullptr, Qt::Window), FKind(kind), FSection(WindowKindInfo(kind).Section())
{
    const TWindowKindInfo& info = Info();
    FHandle = WindowMessage::HandleOf(this);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnHeader = new QWidget(this);
    pnHeader->setObjectName(QStringLiteral("pnHeader"));
    pnHeader->setFixedHeight(kHeaderHeight);
    pnHeader->setAutoFillBackground(true);
    QPalette headerPalette = pnHeader->palette();
    headerPalette.setColor(QPalette::Window, Qt::black);
    headerPalette.setColor(QPalette::WindowText, kHeaderTextColor);
    pnHeader->setPalette(headerPalette);
    auto* headerLayout = new QHBoxLayout(pnHeader);
    headerLayout->setContentsMargins(4, 2, 4, 2);
    headerLayout->setSpacing(4);
    imHeader = new QLabel(pnHeader);
    imHeader->setFixedSize(kHeaderImageSize, kHeaderImageSize);
    imHeader->setAlignment(Qt::AlignCenter);
    laTitle = new QLabel(pnHeader);
    // Set before any text: the header names peers from its first title on.
    laTitle->setTextFormat(Qt::PlainText);
    // However long a peer's name, the header is cut at the window's edge and never widens it.
    laTitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont titleFont = laTitle->font();
    titleFont.setBold(true);
    laTitle->setFont(titleFont);
    headerLayout->addWidget(imHeader);
    headerLayout->addWidget(laTitle, 1);
    connect(this, &QWidget::windowTitleChanged, laTitle, &QLabel::setText);
    layout->addWidget(pnHeader);

    pnClient = new QWidget(this);
    layout->addWidget(pnClient, 1);

    if (info.AlphaBlend()) {
        sbInformation = new TStatusPanelBar(this);
        sbInformation->SetPanelCount(info.iStatusPanels);
        sbInformation->SetPanelWidth(0, kFirstPanelWidth);
        layout->addWidget(sbInformation);
        tbAlphaBlend = AlphaBlendSliderCreate(sbInformation);
        connect(sbInformation, &TStatusPanelBar::Resized, this, &TCommonForm::StatusBarLayout);

        pmRight = new QMenu(this);
        miHeader = pmRight->addAction(QStringLiteral("ヘッダー表示(&H)"));
        miStatus = pmRight->addAction(QStringLiteral("ステータスバー表示(&S)"));
        miHeader->setCheckable(true);
        miStatus->setCheckable(true);
        // The handlers read the check mark as the menu showed it, before the click turned it over.
        connect(miHeader, &QAction::triggered, this, [this](bool checked) {
            miHeader->setChecked(!checked);
            miHeaderClick();
        });
        connect(miStatus, &QAction::triggered, this, [this](bool checked) {
            miStatus->setChecked(!checked);
            miStatusClick();
        });
    }

    const IniFile ini(SettingsFileName());
    WindowPlacementApply(this, WindowPlacementRead(ini, FSection, designSize));
    if (tbAlphaBlend != nullptr)
        tbAlphaBlend->setValue(AlphaBlendRead(ini, info.Section()));

    imHeader->setPixmap(BitmapResource(QString::fromLatin1(info.sHeaderBitmap)));
    StatusBarLayout();
    if (tbAlphaBlend != nullptr) {
        tbAlphaBlendChange();
        connect(tbAlphaBlend, &QSlider::valueChanged, this, &TCommonForm::tbAlphaBlendChange);
    }
    PanelVisibleSet();
}

TCommonForm::~TCommonForm()
{
    FormDestroy();
    WindowMessage::Forget(FHandle);
    if (Info().pRegistry != nullptr)
        WindowListRemove(*Info().pRegistry, FHandle);
    if (FReferenceClear)
        FReferenceClear();
}

void TCommonForm::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    // One save for the whole section; a save that fails at the end is told as a failed write is.
    const IniFileWritingPass pass(SettingsFileName(), [this] {
        hide();
        SettingsSaveErrorShow();
    });
    IniFile ini(SettingsFileName());
    bool written = WindowPlacementWrite(ini, FSection, this);
    // A listed kind wrote it as the slider moved.
    if (written && tbAlphaBlend != nullptr && Info().pRegistry == nullptr)
        written = AlphaBlendWrite(ini, Info().Section(), tbAlphaBlend->value());
    if (written)
        written = WriteSectionExtra(ini);
    if (written)
        return;
    // The box waits for the user; a window on its way out should not be used meanwhile.
    hide();
    SettingsSaveErrorShow();
}

bool TCommonForm::WriteSectionExtra(IniFile&)
{
    return true;
}

void TCommonForm::PanelVisibleSet()
{
    const TWindowKindInfo& info = Info();
    if (info.pShowHeader != nullptr)
        pnHeader->setVisible(*info.pShowHeader);
    if (info.pShowStatus != nullptr && sbInformation != nullptr)
        sbInformation->setVisible(*info.pShowStatus);
}

void TCommonForm::tbAlphaBlendChange()
{
    if (tbAlphaBlend == nullptr)
        return;
    const int position = tbAlphaBlend->value();
    AlphaBlendApply(this, tbAlphaBlend);
    const TWindowKindInfo& info = Info();
    if (info.pRegistry == nullptr)
        return;
    // Each receiver whose slider moves passes the position on; one whose slider
    // already stands there raises no change, so the round ends.
    const QStringList entries = *info.pRegistry;
    for (const QString& entry : entries) {
        const HWND handle = WindowListHandle(entry);
        if (handle != FHandle)
            SendMessageW(handle, WM_ALPHABLENDSET, AlphaBlendSetPosition, position);
    }
    // Written as the slider moves; a failure keeps the old value and is not worth a box.
    IniFile ini(SettingsFileName());
    AlphaBlendWrite(ini, info.Section(), position);
}

void TCommonForm::WMAlphaBlendSet(WPARAM wParam, LPARAM lParam)
{
    if (tbAlphaBlend == nullptr)
        return;
    if (wParam == AlphaBlendSetPosition) {
        const LPARAM clamped = qBound(LPARAM{AlphaBlendMinimum}, lParam, LPARAM{AlphaBlendMaximum});
        tbAlphaBlend->setValue(static_cast<int>(clamped));
    } else if (wParam == AlphaBlendSetReapply) {
        AlphaBlendApply(this, tbAlphaBlend);
    }
}

void TCommonForm::pmRightPopup()
{
    const TWindowKindInfo& info = Info();
    if (miHeader != nullptr && info.pShowHeader != nullptr)
        miHeader->setChecked(*info.pShowHeader);
    if (miStatus != nullptr && info.pShowStatus != nullptr)
        miStatus->setChecked(*info.pShowStatus);
}

void TCommonForm::miHeaderClick()
{
    const TWindowKindInfo& info = Info();
    if (miHeader == nullptr || info.pShowHeader == nullptr)
        return;
    *info.pShowHeader = !miHeader->isChecked();
    PanelVisibleSet();
    WriteVisibilityFlag(KeyShowHeader, *info.pShowHeader);
    BroadcastPanelVisibleSet();
}

void TCommonForm::miStatusClick()
{
    const TWindowKindInfo& info = Info();
    if (miStatus == nullptr || info.pShowStatus == nullptr)
        return;
    *info.pShowStatus = !miStatus->isChecked();
    PanelVisibleSet();
    WriteVisibilityFlag(KeyShowStatus, *info.pShowStatus);
    BroadcastPanelVisibleSet();
}

void TCommonForm::WriteVisibilityFlag(const QString& sKey, bool bValue)
{
    IniFile ini(SettingsFileName());
    if (!ini.WriteBool(Info().Section(), sKey, bValue))
        SettingsSaveErrorShow();
}

void TCommonForm::BroadcastPanelVisibleSet()
{
    if (Info().pRegistry == nullptr)
        return;
    const QStringList entries = *Info().pRegistry;
    for (const QString& entry : entries)
        SendMessageW(WindowListHandle(entry), WM_PANELVISIBLESET, 0, 0);
}

void TCommonForm::StatusBarLayout()
{
    if (sbInformation == nullptr || tbAlphaBlend == nullptr)
        return;
    const int count = sbInformation->PanelCount();
    const int sliderPanel = count - 1;
    const int fillPanel = count == 3 ? 1 : 0;
    sbInformation->SetPanelWidth(sliderPanel, tbAlphaBlend->width() + kSliderPanelExtra);
    int others = 0;
    for (int i = 0; i < count; ++i) {
        if (i != fillPanel)
            others += sbInformation->PanelWidth(i);
    }
    sbInformation->SetPanelWidth(fillPanel, sbInformation->width() - others);
    tbAlphaBlend->setGeometry(sbInformation->PanelRect(sliderPanel).left() + kSliderInset, 1,
                              tbAlphaBlend->width(), sbInformation->height());
}

void TCommonForm::WindowMessageReceived(WindowMessage::Event& message)
{
    switch (message.Msg) {
    case WM_ALPHABLENDSET:
        if (Info().pRegistry != nullptr)
            WMAlphaBlendSet(message.wParam, message.lParam);
        break;
    case WM_PANELVISIBLESET:
        if (Info().pRegistry != nullptr)
            PanelVisibleSet();
        break;
    case WM_CLOSE:
        close();
        break;
    default:
        break;
    }
}

bool TCommonForm::event(QEvent* event)
{
    // Polished once before the first show, when the derived window has made all its labels.
    if (event->type() == QEvent::Polish)
        LabelsPlainText(this);
    // Freed under a box's loop (its own question, say), the window's code that waits for
    // the answer would run on a freed window: it goes once the boxes have returned.
    if (event->type() == QEvent::DeferredDelete && MessageBox::OpenLoops() > 0) {
        hide();
        MessageBox::WhenNoBoxOpen(this, [this] { deleteLater(); });
        return true;
    }
    if (event->type() == WindowMessage::Event::EventType()) {
        WindowMessageReceived(*static_cast<WindowMessage::Event*>(event));
        return true;
    }
    return QWidget::event(event);
}

void TCommonForm::contextMenuEvent(QContextMenuEvent* event)
{
    if (pmRight == nullptr) {
        event->ignore();
        return;
    }
    pmRightPopup();
    pmRight->exec(event->globalPos());
}
