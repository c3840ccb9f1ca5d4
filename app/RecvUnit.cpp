#include "RecvUnit.h"

#include "EditEx.h"
#include "EngineEvents.h"
#include "LoginUserTable.h"
#include "MainWindowEvents.h"
#include "MessageBox.h"
#include "MessageRecvQueue.h"
#include "PeerText.h"
#include "SendRules.h"
#include "SendUnit.h"
#include "SettingsStore.h"
#include "StatusPanelBar.h"
#include "TaskIcon.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

const QSize kDesignSize(354, 162);
const QSize kMinimumSize(370, 200);
const QString kTitle = QStringLiteral("メッセージ受信");

} // namespace

TRecvView RecvViewChoice(bool bLetter, bool bCustomizeLetter, bool bSecurityLetter)
{
    if (!bLetter && !bCustomizeLetter)
        return TRecvView::Open;
    return bSecurityLetter ? TRecvView::SealedPassword : TRecvView::SealedNoPassword;
}

bool LetterPasswordRight(bool bSecurityLetter, const QString& sTyped, const QString& sStored)
{
    return !bSecurityLetter || sTyped == sStored;
}

QString ReplyQuoteSource(bool bRecvWithMessage, const QString& sSelected, const QString& sWhole)
{
    if (!bRecvWithMessage)
        return QString();
    return sSelected.isEmpty() ? sWhole : sSelected;
}

QString RecvWindowCaptionText(int iWaiting)
{
    QString sCaption = QStringLiteral("受信メッセージ - Parvane 2");
    if (iWaiting > 0)
        sCaption += QStringLiteral(" <未読メッセージ %1>").arg(iWaiting);
    return sCaption;
}

// ---------------------------------------------------------------- the shared routines

void RecvFormShow(const TWindowServicesRef& services)
{
    if (services->Main == nullptr || MessageRecvQueue.Empty())
        return;
    const bool bCreated = RecvForm == nullptr;
    if (bCreated) {
        RecvForm = new TRecvForm(services);
        TRecvForm* created = RecvForm;
        created->SetReferenceClear([created] {
            if (RecvForm == created)
                RecvForm = nullptr;
        });
    }
    TRecvForm* window = RecvForm;
    const TMessageRecvSub head = MessageRecvQueue.Head();
    window->PrShown = head;
    window->PrMachine = head.sSendMachine;
    window->PrDiscrimination = head.sSendDiscrimination;
    // A sender no longer listed leaves the title as it was.
    if (const TLoginUserTable::TEntry* user =
            services->Users ? services->Users->Find(head.sSendMachine, head.sSendDiscrimination) : nullptr)
        window->laTitle->setText(PeerHeaderText(kTitle, QStringLiteral("送信元"), user->Report.HandleName));
    const TRecvView view = RecvViewChoice(head.bLetter, CustomizeLetter, SecurityLetter);
    window->MessageSet(head.sMessage, head.sRecvTime, view);
    // A plain message counts as read the moment it is shown.
    if (view == TRecvView::Open)
        window->MessageOpen(head);
    window->show();
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    if (view == TRecvView::Open)
        (window->btNext->isEnabled() ? window->btNext : window->btClose)->setFocus();
    else if (view == TRecvView::SealedPassword)
        window->neLetterPassword->setFocus();
    else
        window->btLetterOpen2->setFocus();
    WindowForeground(window);
}

void RecvFormRelease()
{
    delete RecvForm;
}

// ---------------------------------------------------------------- the window

TRecvForm::TRecvForm(const TWindowServicesRef& services)
    : TCommonForm(TWindowKind::Recv, kDesignSize), PrServices(services)
{
    // The caption is the window's own; the header keeps the sender.
    disconnect(this, &QWidget::windowTitleChanged, laTitle, &QLabel::setText);
    setWindowTitle(RecvWindowCaptionText(0));
    laTitle->setText(kTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    mmRecvMessage = MessageViewCreate(QStringLiteral("mmRecvMessage"), pnClient);
    // The selection stays visible when the focus goes to the reply button.
    QPalette palette = mmRecvMessage->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    mmRecvMessage->setPalette(palette);

    pnLetterBack = new QWidget(pnClient);
    pnLetterBack->setObjectName(QStringLiteral("pnLetterBack"));
    pnLetterBack->setAutoFillBackground(true);
    pnLetter = new QWidget(pnLetterBack);
    laLetter = new QLabel(QStringLiteral("このメッセージを開封するにはパスワードが必要です"), pnLetter);
    neLetterPassword = new TEditEx(pnLetter);
    neLetterPassword->setEchoMode(QLineEdit::Password);
    neLetterPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    btLetterOpen = AutoDefaultButton(QStringLiteral("開封(&O)"), pnLetter);
    btLetterOpen->setDefault(true);
    auto* letterLayout = new QGridLayout(pnLetter);
    letterLayout->addWidget(laLetter, 0, 0, 1, 2);
    letterLayout->addWidget(neLetterPassword, 1, 0);
    letterLayout->addWidget(btLetterOpen, 1, 1);
    pnLetterNoPassword = new QWidget(pnLetterBack);
    laLetterNoPassword = new QLabel(QStringLiteral("封書メッセージ"), pnLetterNoPassword);
    laLetterNoPassword->setAlignment(Qt::AlignCenter);
    btLetterOpen2 = AutoDefaultButton(QStringLiteral("開封(&O)"), pnLetterNoPassword);
    btLetterOpen2->setDefault(true);
    auto* noPasswordLayout = new QVBoxLayout(pnLetterNoPassword);
    noPasswordLayout->addWidget(laLetterNoPassword);
    noPasswordLayout->addWidget(btLetterOpen2, 0, Qt::AlignCenter);
    // Both panels stay centred in the sealed view as the window changes size.
    auto* backLayout = new QGridLayout(pnLetterBack);
    backLayout->addWidget(pnLetter, 0, 0, Qt::AlignCenter);
    backLayout->addWidget(pnLetterNoPassword, 0, 0, Qt::AlignCenter);
    connect(btLetterOpen, &QPushButton::clicked, this, &TRecvForm::btLetterOpenClick);
    connect(btLetterOpen2, &QPushButton::clicked, this, &TRecvForm::btLetterOpenClick);
    connect(neLetterPassword, &QLineEdit::returnPressed, this, &TRecvForm::btLetterOpenClick);

    btReturn = AutoDefaultButton(QStringLiteral("返信(&R)"), pnClient);
    btNext = AutoDefaultButton(QStringLiteral("次のメッセージ(&N)"), pnClient);
    btClose = AutoDefaultButton(QStringLiteral("閉じる(&C)"), pnClient);
    connect(btReturn, &QPushButton::clicked, this, &TRecvForm::btReturnClick);
    connect(btNext, &QPushButton::clicked, this, &TRecvForm::btNextClick);
    connect(btClose, &QPushButton::clicked, this, &TRecvForm::btCloseClick);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addWidget(btReturn);
    buttons->addWidget(btNext);
    buttons->addStretch(1);
    buttons->addWidget(btClose);

    auto* layout = new QGridLayout(pnClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mmRecvMessage, 0, 0);
    layout->addWidget(pnLetterBack, 0, 0);
    layout->addLayout(buttons, 1, 0);
    setTabOrder(mmRecvMessage, btReturn);
    setTabOrder(btReturn, btNext);
    setTabOrder(btNext, btClose);

    MessageSet(QString(), QString(), TRecvView::Open);
    if (const TEngineEvents* events = PrServices->Events)
        connect(events, &TEngineEvents::MessageArrived, this, &TRecvForm::Unread);
    // A letter waiting behind its panel asks for the password exactly while the applied settings say so.
    connect(&SettingsStore(), &TSettingsStore::Applied, this, [this] {
        if (!pnLetterBack->isVisible())
            return;
        pnLetter->setVisible(SecurityLetter);
        pnLetterNoPassword->setVisible(!SecurityLetter);
    });
}

TRecvForm::~TRecvForm()
{
    FormDestroy();
}

void TRecvForm::Unread(int iWaiting)
{
    btNext->setEnabled(true);
    setWindowTitle(RecvWindowCaptionText(iWaiting));
}

void TRecvForm::MessageOpen(const TMessageRecvSub& message)
{
    TMainWindowEvents* main = PrServices->Main;
    if (main == nullptr)
        return;
    emit main->MessageWasRead(message);
    if (MessageRecvQueue.Empty())
        btNext->setEnabled(false);
    setWindowTitle(RecvWindowCaptionText(MessageRecvQueue.Count()));
}

void TRecvForm::MessageSet(const QString& sWire, const QString& sRecvTime, TRecvView view)
{
    PrView = view;
    mmRecvMessage->setPlainText(WireTextToEdit(sWire));
    sbInformation->SetPanelText(0, sRecvTime.isEmpty() ? QString() : sRecvTime + QStringLiteral(" 受信"));
    const bool bOpen = view == TRecvView::Open;
    mmRecvMessage->setVisible(bOpen);
    btReturn->setVisible(bOpen);
    btNext->setVisible(bOpen);
    neLetterPassword->clear();
    pnLetterBack->setVisible(!bOpen);
    pnLetter->setVisible(view == TRecvView::SealedPassword);
    pnLetterNoPassword->setVisible(view == TRecvView::SealedNoPassword);
}

QString TRecvForm::MessageText() const
{
    return EditTextToWire(mmRecvMessage->toPlainText());
}

void TRecvForm::btLetterOpenClick()
{
    if (PrView == TRecvView::Open)
        return;
    if (!LetterPasswordRight(PrView == TRecvView::SealedPassword, neLetterPassword->text(),
                             SecurityLetterPassword)) {
        MessageBoxShow(WrongPasswordText, ApplicationTitle, MessageBox::MB_ICONWARNING);
        neLetterPassword->setFocus();
        return;
    }
    PrView = TRecvView::Open;
    btReturn->show();
    btNext->show();
    mmRecvMessage->show();
    pnLetterBack->hide();
    MessageOpen(PrShown);
    (btNext->isEnabled() ? btNext : btClose)->setFocus();
}

void TRecvForm::btReturnClick()
{
    const QString sSelected =
        EditTextToWire(mmRecvMessage->textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    const QString sQuote = ReplyQuoteSource(CustomizeRecvWithMessage, sSelected, MessageText());
    SendFormShow(sQuote, true, PrMachine, PrDiscrimination, PrServices);
    if (CustomizeReplyHide)
        close();
}

void TRecvForm::btNextClick()
{
    RecvFormShow(PrServices);
}

void TRecvForm::btCloseClick()
{
    close();
}
