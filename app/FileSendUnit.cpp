#include "FileSendUnit.h"

#include "FileTransferEngine.h"
#include "FileWindowRules.h"
#include "MarkLabel.h"
#include "MessageBox.h"
#include "OpenDialogEx.h"
#include "SendRules.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

namespace {

const QSize kDesignSize(384, 232);
const QSize kMinimumSize(400, 270);

const QString kCaption = QStringLiteral("ファイル送信 - Parvane 2");
const QString kTitle = QStringLiteral("ファイル送信");
const QString kStatusChoose = QStringLiteral("送信するファイルを選択してください");
const QString kStatusRequested = QStringLiteral("ファイルの送信要求を行っています...");
const QString kStatusStart = QStringLiteral("ファイルの送信を開始します");
const QString kStatusSending = QStringLiteral("ファイル送信中 ");
const QString kCaptionSending = QStringLiteral("% 送信完了 - Parvane 2");
const QString kStatusEnd = QStringLiteral("ファイルの送信が完了しました");
const QString kCaptionEnd = QStringLiteral("ファイル送信完了 - Parvane 2");
const QString kEndText = QStringLiteral("ファイルの送信が完了しました。");
const QString kStatusFailed = QStringLiteral("ファイルの送信が中断されました");
const QString kCancelQuestion = QStringLiteral("ファイルの送信をキャンセルしますか？");
const QString kDialogTitle = QStringLiteral("Parvane 2 -送信ファイル選択-");
const QString kDialogFilter = QStringLiteral("すべてのファイル(*.*)|*.*");

} // namespace

TFileSendForm* FileSendFormShow(const QString& sFileName, const TPeer& peer,
                                const TWindowServicesRef& services)
{
    return SeveralFormShow<TFileSendForm>(
        FileWindowEntrySuffix(0),
        [&](TFileSendForm* form) {
            form->PeerSet(peer, QStringLiteral("送信先"));
            form->mmSendFile->setText(sFileName);
        },
        services);
}

TFileSendForm::TFileSendForm(const TWindowServicesRef& services)
    : TFileTransferForm(TWindowKind::FileSend, kDesignSize, kStatusChoose, services)
{
    setWindowTitle(kCaption);
    laTitle->setText(kTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    MarkLabel1 = new TMarkLabel(QStringLiteral("送信するファイル"), pnClient);
    MarkLabel1->SetMarkColor(Qt::red);
    mmSendFile = new QLineEdit(pnClient);
    mmSendFile->setObjectName(QStringLiteral("mmSendFile"));
    mmSendFile->setPlaceholderText(QStringLiteral("送信するファイルを選択してください。"));
    sbFileSearch = new QToolButton(pnClient);
    sbFileSearch->setAutoRaise(true);
    sbFileSearch->setIcon(QIcon(BitmapResource(QStringLiteral("BUTTON_ICON_SEARCH"))));
    sbFileSearch->setToolTip(QStringLiteral("ファイル参照"));
    MarkLabel2 = new TMarkLabel(QStringLiteral("コメント"), pnClient);
    MarkLabel2->SetMarkColor(Qt::red);
    mmSendComment = new QPlainTextEdit(pnClient);
    mmSendComment->setObjectName(QStringLiteral("mmSendComment"));
    mmSendComment->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmSendComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmSendComment->setTabChangesFocus(true);
    btSend = new QPushButton(QStringLiteral("送信(&S)"), pnClient);
    btCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), pnClient);

    auto* layout = new QGridLayout(pnClient);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(MarkLabel1, 0, 0, 1, 2);
    layout->addWidget(mmSendFile, 1, 0);
    layout->addWidget(sbFileSearch, 1, 1);
    layout->addWidget(MarkLabel2, 2, 0, 1, 2);
    layout->addWidget(mmSendComment, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btSend);
    buttons->addWidget(btCancel);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setRowStretch(3, 1);
    setTabOrder(mmSendFile, sbFileSearch);
    setTabOrder(sbFileSearch, mmSendComment);
    setTabOrder(mmSendComment, btSend);
    setTabOrder(btSend, btCancel);

    NOpenDialog = new TOpenDialogEx(this);
    NOpenDialog->SetTitle(kDialogTitle);
    NOpenDialog->SetFilter(kDialogFilter);
    NOpenDialog->setFileMode(QFileDialog::ExistingFile);

    connect(sbFileSearch, &QToolButton::clicked, this, &TFileSendForm::sbFileSearchClick);
    connect(btSend, &QPushButton::clicked, this, &TFileSendForm::btSendClick);
    connect(btCancel, &QPushButton::clicked, this, &TFileSendForm::btCancelClick);
    connect(mmSendFile, &QLineEdit::returnPressed, this, &TFileSendForm::btSendClick);
    EditMenuSet(mmSendFile);
    EditMenuSet(mmSendComment);
    mmSendFile->setFocus();
}

TFileSendForm::~TFileSendForm()
{
    FormDestroy();
}

void TFileSendForm::sbFileSearchClick()
{
    NOpenDialog->SetInitialDir(mmSendFile->text());
    if (!NOpenDialog->ExecuteEx(CustomizeShowTopMost))
        return;
    mmSendFile->setText(NOpenDialog->FileName());
    mmSendFile->setFocus();
}

void TFileSendForm::btSendClick()
{
    if (!btSend->isEnabled())
        return;
    TFileTransferEngine& engine = Engine();
    const TFileSendRefusal refusal =
        FileSendRefusal(engine.LoginStates(), mmSendFile->text(), mmSendComment->toPlainText());
    if (!refusal.sText.isEmpty()) {
        if (refusal.Focus == TFileSendFocus::File)
            mmSendFile->setFocus();
        else if (refusal.Focus == TFileSendFocus::Comment)
            mmSendComment->setFocus();
        MessageBoxShow(refusal.sText, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    // The question runs the event loop: the program's close may free the window meanwhile.
    const QPointer<TFileSendForm> self(this);
    if (engine.PeerAbsent(PrMachine, PrMachineDiscrimination) &&
        (MessageBoxShow(FileSendAbsenceQuestion(), ApplicationTitle,
                        MessageBox::MB_YESNO | MessageBox::MB_ICONINFORMATION) != MessageBox::IDYES ||
         !self))
        return;
    btCancel->setFocus();
    InputsEnable(false);
    PrSocketNo = engine.FileSend(mmSendFile->text(), EditTextToWire(mmSendComment->toPlainText()), PrMachine,
                                 PrMachineDiscrimination);
    if (PrSocketNo == 0) {
        MessageBoxShow(FileSendFailedText(), ApplicationTitle, MessageBox::MB_ICONWARNING);
        if (self)
            InputsEnable(true);
        return;
    }
    FileWindowSocketSet(FileSendWindowList, Handle(), PrSocketNo);
    StatusTextSet(kStatusRequested);
}

void TFileSendForm::btCancelClick()
{
    close();
}

void TFileSendForm::InputsEnable(bool bEnabled)
{
    mmSendFile->setEnabled(bEnabled);
    sbFileSearch->setEnabled(bEnabled);
    mmSendComment->setEnabled(bEnabled);
    btSend->setEnabled(bEnabled);
}

void TFileSendForm::SocketSet(int iSocketNo)
{
    PrSocketNo = iSocketNo;
    FileWindowSocketSet(FileSendWindowList, Handle(), iSocketNo);
}

void TFileSendForm::WMFileSendStart()
{
    StatusTextSet(kStatusStart);
}

void TFileSendForm::WMFileSending(LPARAM lPercent)
{
    ProgressSet(lPercent, kStatusSending, kCaptionSending);
}

void TFileSendForm::WMFileSendEnd()
{
    ProgressFlush();
    SocketSet(0);
    setWindowTitle(kCaptionEnd);
    LastWordShow(kStatusEnd, kEndText, MessageBox::MB_ICONINFORMATION);
}

void TFileSendForm::WMErrorFileSend(LPARAM lError)
{
    ProgressFlush();
    SocketSet(0);
    const QString sText = FileSendErrorText(static_cast<int>(lError));
    if (sText.isEmpty()) {
        close();
        return;
    }
    LastWordShow(kStatusFailed, sText, MessageBox::MB_ICONWARNING);
}

void TFileSendForm::WMFileSendSocketChange(WPARAM wSocketNo)
{
    // The main window has already moved the registry entry.
    PrSocketNo = static_cast<int>(wSocketNo);
}

void TFileSendForm::WindowMessageReceived(WindowMessage::Event& message)
{
    switch (message.Msg) {
    case WM_FILESENDSTART:
        WMFileSendStart();
        break;
    case WM_FILESENDING:
        WMFileSending(message.lParam);
        break;
    case WM_FILESENDEND:
        WMFileSendEnd();
        break;
    case WM_ERRORFILESEND:
        WMErrorFileSend(message.lParam);
        break;
    case WM_FILESENDSOCKETCHANGE:
        WMFileSendSocketChange(message.wParam);
        break;
    default:
        TFileTransferForm::WindowMessageReceived(message);
        break;
    }
}

void TFileSendForm::closeEvent(QCloseEvent* event)
{
    if (TransferKept(kCancelQuestion)) {
        event->ignore();
        return;
    }
    if (PrSocketNo != 0) {
        // The entry is cleared first: the cancel's report then finds no window, and
        // the close it would ask for is this one.
        const int iSocketNo = PrSocketNo;
        SocketSet(0);
        if (iSocketNo != 0)
            Engine().FileSendCancel(iSocketNo);
    }
    event->accept();
}
