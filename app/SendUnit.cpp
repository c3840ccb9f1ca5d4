#include "SendUnit.h"

#include "LoginUserTable.h"
#include "MainWindowEvents.h"
#include "MemoEx.h"
#include "MessageBox.h"
#include "ParvaneNetwork.h"
#include "PeerText.h"
#include "ProgramWindows.h"
#include "StatusPanelBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

const QSize kDesignSize(304, 142);
const QSize kMinimumSize(320, 180);
const QString kCaption = QStringLiteral("メッセージ送信 - Parvane 2");
const QString kTitle = QStringLiteral("メッセージ送信");
const QColor kOverColor(Qt::red);

// The handle names of the listed targets, as the header and the log name them; an unlisted target has none.
QString HandleNamesText(const std::vector<std::optional<QString>>& handles)
{
    QStringList slNamed;
    for (const std::optional<QString>& sHandle : handles)
        if (sHandle)
            slNamed << *sHandle;
    return slNamed.join(QStringLiteral(", "));
}

} // namespace

TSendForm* SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachine,
                        const QString& sDiscrimination, const TWindowServicesRef& services)
{
    return SeveralFormShow<TSendForm>(
        QString(),
        [&](TSendForm* form) {
            form->TargetSet(sMachine, sDiscrimination);
            const QString sText = SendOpeningText(sMessage, bQuote);
            if (sText.isEmpty())
                return;
            form->SetMessageText(sText);
            form->mmSendMessage->moveCursor(QTextCursor::End);
            form->mmSendMessage->ensureCursorVisible();
        },
        services);
}

TSendForm::TSendForm(const TWindowServicesRef& services)
    : TCommonForm(TWindowKind::Send, kDesignSize), PrServices(services)
{
    setWindowTitle(kCaption);
    PrTitle = kTitle;
    laTitle->setText(PrTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    // The edit holds at most as many characters as the wire could take bytes.
    auto* memo = new TMemoEx(pnClient);
    memo->SetMaxLength(MaxMessageByte);
    mmSendMessage = memo;
    mmSendMessage->setObjectName(QStringLiteral("mmSendMessage"));
    mmSendMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmSendMessage->setTabChangesFocus(true);
    connect(mmSendMessage, &QPlainTextEdit::textChanged, this, &TSendForm::mmSendMessageChange);

    btSend = AutoDefaultButton(QStringLiteral("送信(&S)"), pnClient);
    btLetterSend = AutoDefaultButton(QStringLiteral("封書送信(&L)"), pnClient);
    btCancel = AutoDefaultButton(QStringLiteral("キャンセル(&C)"), pnClient);
    connect(btSend, &QPushButton::clicked, this, [this] { btSendClick(false); });
    connect(btLetterSend, &QPushButton::clicked, this, [this] { btSendClick(true); });
    connect(btCancel, &QPushButton::clicked, this, &TSendForm::btCancelClick);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addWidget(btSend);
    buttons->addWidget(btLetterSend);
    buttons->addStretch(1);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(pnClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mmSendMessage, 1);
    layout->addLayout(buttons);

    sbInformation->SetPanelText(0, ByteCounterText(QString()).sText);
    mmSendMessage->setFocus();
}

TSendForm::~TSendForm()
{
    FormDestroy();
}

void TSendForm::TargetSet(const QString& sMachine, const QString& sDiscrimination)
{
    PrTargets = SendTargetsSplit(sMachine, sDiscrimination);
    PrTargetHandles.clear();
    for (const TSendTarget& target : PrTargets) {
        // A target that the list does not show is still sent to; it only has no name here.
        const TLoginUserTable* users = PrServices->Users;
        const TLoginUserTable::TEntry* user =
            users != nullptr ? users->Find(target.sMachine, target.sDiscrimination) : nullptr;
        PrTargetHandles.push_back(user != nullptr ? std::optional(user->Report.HandleName) : std::nullopt);
    }
    PrHandleName = HandleNamesText(PrTargetHandles);
    laTitle->setText(PeerHeaderText(PrTitle, QStringLiteral("送信先"), PrHandleName));
}

QString TSendForm::MessageText() const
{
    return EditTextToWire(mmSendMessage->toPlainText());
}

void TSendForm::SetMessageText(const QString& sWire)
{
    mmSendMessage->setPlainText(WireTextToEdit(sWire));
}

void TSendForm::mmSendMessageChange()
{
    const TByteCounter counter = ByteCounterText(MessageText());
    sbInformation->SetPanelText(0, counter.sText);
    sbInformation->SetPanelColor(0, counter.bOver ? kOverColor : QColor());
}

void TSendForm::btSendClick(bool bLetter)
{
    TParvaneNetwork* pvn = PrServices->Engine;
    TTargetVersions versions;
    for (const TSendTarget& target : PrTargets) {
        int iVersion = -1;
        for (int i = 0; pvn != nullptr && i < pvn->LoginCount(); ++i) {
            const TPVN_LoginUserInformation user = pvn->GetLoginUser(i);
            if (user.Machine == target.sMachine && user.Discrimination == target.sDiscrimination) {
                iVersion = user.Version;
                break;
            }
        }
        versions.push_back(iVersion);
    }
    const TSendCheckResult check = SendCheck(
        pvn != nullptr && pvn->LoginStates(), MessageText(), bLetter, versions,
        [this](const QString& sText, int iFlags) { return MessageBoxShow(sText, ApplicationTitle, iFlags); });
    if (check.bCut)
        SetMessageText(check.sText);
    if (check.Result != TSendCheck::Send) {
        if (check.bFocusEdit)
            mmSendMessage->setFocus();
        return;
    }
    // The log names only the targets the message went out to.
    std::vector<std::optional<QString>> sentHandles;
    for (size_t i = 0; i < PrTargets.size(); ++i) {
        const TSendTarget& target = PrTargets[i];
        if (pvn->MessageSend(check.sText, target.sMachine, target.sDiscrimination, bLetter).isEmpty()) {
            MessageBoxShow(SendFailedText(target.sMachine, target.sDiscrimination), ApplicationTitle,
                           MessageBox::MB_ICONWARNING);
            continue;
        }
        sentHandles.push_back(PrTargetHandles[i]);
    }
    // Nothing went out, and the boxes said why: the window keeps the text for another try.
    if (sentHandles.empty() && !PrTargets.empty())
        return;
    if (CustomizeLog && !sentHandles.empty() && PrServices->Windows)
        PrServices->Windows->LogWrite(LogKindMessageSend, pvn->HandleName(), HandleNamesText(sentHandles),
                                      check.sText);
    if (CustomizeSendHide && PrServices->Main)
        emit PrServices->Main->HideAfterSendAsked();
    close();
}

void TSendForm::btCancelClick()
{
    close();
}
