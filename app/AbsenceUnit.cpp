#include "AbsenceUnit.h"

#include "PeerText.h"
#include "SendRules.h"
#include "SendUnit.h"
#include "StatusPanelBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QSize kDesignSize(354, 162);
const QSize kMinimumSize(370, 200);
const QString kCaption = QStringLiteral("不在メッセージ - Parvane 2");
const QString kTitle = QStringLiteral("不在メッセージ");

} // namespace

TAbsenceForm* AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage, const QString& sRecvTime,
                              const TWindowServicesRef& services)
{
    const auto fill = [&](TAbsenceForm* window) {
        window->PrMachine = peer.MachineName;
        window->PrDiscrimination = peer.Discrimination;
        window->laTitle->setText(PeerHeaderText(kTitle, QStringLiteral("不在者"), peer.HandleName));
        window->mmAbsenceMessage->setPlainText(WireTextToEdit(sAbsenceMessage));
        window->sbInformation->SetPanelText(0, sRecvTime + QStringLiteral(" 受信"));
    };
    return SeveralFormShow<TAbsenceForm>(QString(), fill, services);
}

TAbsenceForm::TAbsenceForm(const TWindowServicesRef& services)
    : TCommonForm(TWindowKind::Absence, kDesignSize), PrServices(services)
{
    setWindowTitle(kCaption);
    laTitle->setText(kTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    mmAbsenceMessage = MessageViewCreate(QStringLiteral("mmAbsenceMessage"), pnClient);
    mmAbsenceMessage->installEventFilter(this);

    btSend = AutoDefaultButton(QStringLiteral("メッセージ送信(&S)"), pnClient);
    btClose = AutoDefaultButton(QStringLiteral("閉じる(&C)"), pnClient);
    connect(btSend, &QPushButton::clicked, this, &TAbsenceForm::btSendClick);
    connect(btClose, &QPushButton::clicked, this, &TAbsenceForm::btCloseClick);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addWidget(btSend);
    buttons->addStretch(1);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(pnClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mmAbsenceMessage, 1);
    layout->addLayout(buttons);

    // The sender toggle sits between the other two.
    miSend = new QAction(QStringLiteral("送信元表示(&T)"), pmRight);
    miSend->setCheckable(true);
    pmRight->insertAction(miStatus, miSend);
    connect(miSend, &QAction::triggered, this, [this](bool checked) {
        miSend->setChecked(!checked);
        miSendClick();
    });
    btSend->setFocus();
}

TAbsenceForm::~TAbsenceForm()
{
    FormDestroy();
}

void TAbsenceForm::pmRightPopup()
{
    TCommonForm::pmRightPopup();
    miSend->setChecked(AbsenceWindowShowSend);
}

void TAbsenceForm::miSendClick()
{
    AbsenceWindowShowSend = !miSend->isChecked();
    WriteVisibilityFlag(KeyShowSend, AbsenceWindowShowSend);
    BroadcastPanelVisibleSet();
}

void TAbsenceForm::btSendClick()
{
    SendFormShow(QString(), true, PrMachine, PrDiscrimination, PrServices);
}

void TAbsenceForm::btCloseClick()
{
    close();
}

bool TAbsenceForm::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+A alone selects the message; with Shift or Alt it does nothing.
    // Taken as a shortcut would be (accepted), and as the key press that follows.
    if (watched == mmAbsenceMessage &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_A && (key->modifiers() & Qt::ControlModifier)) {
            if (key->modifiers() == Qt::ControlModifier)
                mmAbsenceMessage->selectAll();
            if (event->type() == QEvent::ShortcutOverride)
                event->accept();
            return true;
        }
    }
    return TCommonForm::eventFilter(watched, event);
}
