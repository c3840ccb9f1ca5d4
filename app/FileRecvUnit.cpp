#include "FileRecvUnit.h"

#include "FileTransferEngine.h"
#include "FileWindowRules.h"
#include "IniFile.h"
#include "MarkLabel.h"
#include "MessageBox.h"
#include "SaveDialogEx.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

namespace {

const QSize kDesignSize(384, 312);
const QSize kMinimumSize(400, 350);

const QString kPathKey = QStringLiteral("Path");
const QString kCaption = QStringLiteral("ファイル受信 - Parvane 2");
const QString kTitle = QStringLiteral("ファイル受信");
const QString kStatusWaiting = QStringLiteral("保存先ファイル名を指定してください");
const QString kStatusStart = QStringLiteral("ファイルの受信を開始します");
const QString kStatusRecving = QStringLiteral("ファイル受信中 ");
const QString kCaptionRecving = QStringLiteral("% 受信完了 - Parvane 2");
const QString kStatusEnd = QStringLiteral("ファイルの受信が完了しました");
const QString kCaptionEnd = QStringLiteral("ファイル受信完了 - Parvane 2");
const QString kEndText = QStringLiteral("ファイルの受信が完了しました。");
const QString kStatusFailed = QStringLiteral("ファイルの受信が中断されました");
const QString kCancelQuestion = QStringLiteral("ファイルの受信をキャンセルしますか？");
const QString kNotFullPath = QStringLiteral("保存先はフルパスで指定する必要があります。");
const QString kCreateFolder = QStringLiteral("指定されたフォルダが存在しません。作成しますか？");
const QString kOverwrite = QStringLiteral("指定されたファイルは既に存在します。上書きしてもよろしいですか？");
const QString kDialogTitle = QStringLiteral("Parvane 2 -ファイル保存先-");
const QString kDialogFilter = QStringLiteral("すべてのファイル(*.*)|*.*");
// The read-only edits start this far right of the widest of their labels.
constexpr int kEditGap = 10;

QLineEdit* ReadOnlyEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    return edit;
}

QLabel* BlueLabel(const QString& sText, QWidget* parent)
{
    auto* label = new QLabel(sText, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    return label;
}

} // namespace

void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment, int iSocketNo,
                      const TPeer& peer, const TWindowServicesRef& services)
{
    SeveralFormShow<TFileRecvForm>(
        FileWindowEntrySuffix(iSocketNo),
        [&](TFileRecvForm* created) {
            created->SetSocketNo(iSocketNo);
            created->PeerSet(peer, QStringLiteral("送信元"));
            created->mmSendFile->setText(sFileName);
            created->mmSendFileSize->setText(FileSizeText(iFileByte));
            created->mmComment->setPlainText(sComment);
            const IniFile ini(SettingsFileName());
            created->mmRecvFile->setText(
                FileRecvProposedPath(CustomizeFileSave, ProgramDirectory,
                                     ini.ReadString(SectionFileRecvWindow, kPathKey, ProgramDirectory),
                                     CustomizeFileSaveSetPath, sFileName));
        },
        services);
}

TFileRecvForm::TFileRecvForm(const TWindowServicesRef& services)
    : TFileTransferForm(TWindowKind::FileRecv, kDesignSize, kStatusWaiting, services)
{
    setWindowTitle(kCaption);
    laTitle->setText(kTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    Label2 = BlueLabel(QStringLiteral("以下のファイルの受信要求が届いています。"), pnClient);
    laHint = BlueLabel(QStringLiteral("ファイルを受信する場合は保存先を指定して受信ボタンを押してください。"),
                       pnClient);
    laHint->setWordWrap(true);
    MarkLabel1 = new TMarkLabel(QStringLiteral("送信されようとしているファイル"), pnClient);
    MarkLabel1->SetMarkColor(Qt::red);
    Label13 = new QLabel(QStringLiteral("ファイル名"), pnClient);
    mmSendFile = ReadOnlyEdit(pnClient);
    laFileSize = new QLabel(QStringLiteral("ファイルサイズ"), pnClient);
    mmSendFileSize = ReadOnlyEdit(pnClient);
    Label4 = new QLabel(QStringLiteral("コメント"), pnClient);
    mmComment = new QPlainTextEdit(pnClient);
    mmComment->setReadOnly(true);
    // Read-only, but its text is read and selected by the keys too, as a peer's
    // comment may be longer than the box.
    mmComment->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mmComment->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmComment->setTabChangesFocus(true);
    QPalette commentPalette = mmComment->palette();
    commentPalette.setColor(QPalette::Base, commentPalette.color(QPalette::Window));
    mmComment->setPalette(commentPalette);
    MarkLabel2 = new TMarkLabel(QStringLiteral("保存先ファイル名"), pnClient);
    MarkLabel2->SetMarkColor(Qt::red);
    mmRecvFile = new QLineEdit(pnClient);
    mmRecvFile->setObjectName(QStringLiteral("mmRecvFile"));
    sbFileSearch = new QToolButton(pnClient);
    sbFileSearch->setAutoRaise(true);
    sbFileSearch->setIcon(QIcon(BitmapResource(QStringLiteral("BUTTON_ICON_SEARCH"))));
    sbFileSearch->setToolTip(QStringLiteral("ファイル参照"));
    btRecv = new QPushButton(QStringLiteral("受信(&R)"), pnClient);
    btCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), pnClient);

    auto* layout = new QGridLayout(pnClient);
    // Rows close enough that at the design size the comment keeps two lines and
    // the hint both of its lines, in fonts with a tall line as well.
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setVerticalSpacing(4);
    layout->addWidget(Label2, 0, 0, 1, 3);
    layout->addWidget(laHint, 1, 0, 1, 3);
    layout->addWidget(MarkLabel1, 2, 0, 1, 3);
    layout->addWidget(Label13, 3, 0);
    layout->addWidget(mmSendFile, 3, 1, 1, 2);
    layout->addWidget(laFileSize, 4, 0);
    layout->addWidget(mmSendFileSize, 4, 1, 1, 2);
    layout->addWidget(Label4, 5, 0, Qt::AlignTop);
    layout->addWidget(mmComment, 5, 1, 1, 2);
    layout->addWidget(MarkLabel2, 6, 0, 1, 3);
    layout->addWidget(mmRecvFile, 7, 0, 1, 2);
    layout->addWidget(sbFileSearch, 7, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btRecv);
    buttons->addWidget(btCancel);
    layout->addLayout(buttons, 8, 0, 1, 3);
    layout->setRowStretch(5, 1);
    layout->setColumnStretch(1, 1);
    layout->setColumnMinimumWidth(0, laFileSize->sizeHint().width() + kEditGap);
    setTabOrder(mmRecvFile, sbFileSearch);
    setTabOrder(sbFileSearch, btRecv);
    setTabOrder(btRecv, btCancel);

    NSaveDialog = new TSaveDialogEx(this);
    NSaveDialog->SetTitle(kDialogTitle);
    NSaveDialog->SetFilter(kDialogFilter);

    connect(sbFileSearch, &QToolButton::clicked, this, &TFileRecvForm::sbFileSearchClick);
    // Only the button accepts, never Return in the path: the window comes to the front
    // by itself, and a key typed for another window must not accept a file.
    connect(btRecv, &QPushButton::clicked, this, &TFileRecvForm::btRecvClick);
    connect(btCancel, &QPushButton::clicked, this, &TFileRecvForm::btCancelClick);
    mmRecvFile->setFocus();
}

TFileRecvForm::~TFileRecvForm()
{
    FormDestroy();
}

void TFileRecvForm::SetSocketNo(int iSocketNo)
{
    PrSocketNo = iSocketNo;
}

void TFileRecvForm::sbFileSearchClick()
{
    const QPointer<TFileRecvForm> self(this);
    NSaveDialog->SetFileName(mmRecvFile->text());
    if (NSaveDialog->ExecuteEx(CustomizeShowTopMost) && self) {
        mmRecvFile->setText(NSaveDialog->FileName());
        mmRecvFile->setFocus();
    }
    // The offer ended while the dialog was open; its error waited for the dialog to close.
    if (!self || PrSocketNo != 0)
        return;
    StatusTextSet(kStatusFailed);
    MessageBoxShow(FileRecvErrorText(FileRecvErrorClosed), ApplicationTitle, MessageBox::MB_ICONWARNING);
    if (!self)
        return;
    close();
}

void TFileRecvForm::btRecvClick()
{
    if (!btRecv->isEnabled())
        return;
    const QString sPath = mmRecvFile->text();
    if (!FileRecvFullPathOk(sPath)) {
        mmRecvFile->setFocus();
        MessageBoxShow(kNotFullPath, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    // A question runs the event loop: an error may end and free the window meanwhile.
    const QPointer<TFileRecvForm> self(this);
    const QString sFolder = FileRecvFolder(sPath);
    if (!QFileInfo(sFolder).isDir()) {
        // An offer that ended while the question was open needs no folder.
        if (MessageBoxShow(kCreateFolder, ApplicationTitle,
                           MessageBox::MB_YESNO | MessageBox::MB_ICONINFORMATION) != MessageBox::IDYES ||
            !self || PrSocketNo == 0)
            return;
        // A folder that cannot be made shows as the engine's file error when the reception starts.
        QDir().mkpath(sFolder);
    }
    // The offer may have ended while a question was open.
    if (!self || PrSocketNo == 0 || PrAccepted)
        return;
    // The engine makes the file new and says when something is there already: the
    // question is asked about what is there now, a reception that ended meanwhile included.
    using TResult = TParvaneNetwork::TFileRecvAcceptResult;
    TResult result = Engine().FileRecvAccept(PrSocketNo, sPath, false);
    if (result == TResult::Exists) {
        if (MessageBoxShow(kOverwrite, ApplicationTitle,
                           MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2) !=
                MessageBox::IDYES ||
            !self || PrSocketNo == 0)
            return;
        result = Engine().FileRecvAccept(PrSocketNo, sPath, true);
    }
    // Not accepted: the offer has gone, and its error, if any, has reached this window.
    if (result != TResult::Accepted || !self)
        return;
    PrAccepted = true;
    {
        // The next offer proposes this folder again; a failed write only loses that.
        IniFile ini(SettingsFileName());
        ini.WriteString(SectionFileRecvWindow, kPathKey, sFolder);
    }
    btCancel->setFocus();
    mmRecvFile->setEnabled(false);
    sbFileSearch->setEnabled(false);
    btRecv->setEnabled(false);
    StatusTextSet(kStatusStart);
}

void TFileRecvForm::btCancelClick()
{
    close();
}

void TFileRecvForm::WMFileRecving(LPARAM lPercent)
{
    ProgressSet(lPercent, kStatusRecving, kCaptionRecving);
}

void TFileRecvForm::WMFileRecvEnd()
{
    ProgressFlush();
    FileWindowSocketSet(FileRecvWindowList, Handle(), 0);
    SetSocketNo(0);
    setWindowTitle(kCaptionEnd);
    LastWordShow(kStatusEnd, kEndText, MessageBox::MB_ICONINFORMATION);
}

void TFileRecvForm::WMErrorFileRecv(LPARAM lError)
{
    ProgressFlush();
    SetSocketNo(0);
    FileWindowSocketSet(FileRecvWindowList, Handle(), 0);
    if (lError == FileRecvErrorCancelled) {
        close();
        return;
    }
    // Told when the save dialog closes.
    if (NSaveDialog->DialogOpen())
        return;
    LastWordShow(kStatusFailed, FileRecvErrorText(static_cast<int>(lError)), MessageBox::MB_ICONWARNING);
}

void TFileRecvForm::WindowMessageReceived(WindowMessage::Event& message)
{
    switch (message.Msg) {
    case WM_FILERECVING:
        WMFileRecving(message.lParam);
        break;
    case WM_FILERECVEND:
        WMFileRecvEnd();
        break;
    case WM_ERRORFILERECV:
        WMErrorFileRecv(message.lParam);
        break;
    default:
        TFileTransferForm::WindowMessageReceived(message);
        break;
    }
}

void TFileRecvForm::closeEvent(QCloseEvent* event)
{
    if (TransferKept(kCancelQuestion)) {
        event->ignore();
        return;
    }
    // The entry is cleared first, so the cancel's report finds no window: this close is the
    // one. An offer not answered yet is refused by the same cancel.
    const int iSocketNo = PrSocketNo;
    SetSocketNo(0);
    FileWindowSocketSet(FileRecvWindowList, Handle(), 0);
    if (iSocketNo != 0)
        Engine().FileRecvCancel(iSocketNo);
    event->accept();
}
