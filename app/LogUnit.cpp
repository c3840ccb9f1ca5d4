#include "LogUnit.h"

#include "LogFile.h"
#include "LogTableView.h"
#include "LogWriter.h"
#include "MessageBox.h"
#include "SettingsStore.h"
#include "StatusPanelBar.h"
#include "SystemClock.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

const QSize kDesignSize(687, 438);
const QSize kMinimumSize(380, 210);

const QString kCaption = QStringLiteral("ログビューア - Parvane 2");
const QString kTitle = QStringLiteral("ログビューア");
const QString kSaveError =
    QStringLiteral("ログを保存中にエラーが発生しました。ログファイルがロックされているか、"
                   "書き込み禁止になっている可能性があります。\rログを保存することが出来ませ"
                   "んでした。");
const QString kSaveErrorKind = QStringLiteral("LogSaveError");
const QString kReadError =
    QStringLiteral("ログファイルの読み込みに失敗しました。ログファイルが手動で改変されたか、"
                   "ファイルが壊れている可能性があります。");
const QString kReadErrorStatus = QStringLiteral("ログファイルが不正です。");
const QString kPasswordStatus = QStringLiteral("パスワードを入力してください");
const QString kDeleteQuestion =
    QStringLiteral("保存されているログを全て消去します。\r一度消去したログを元に戻すこと"
                   "はできませんのでご注意ください。\r\rログを全て消去してもよろしいです"
                   "か？");
const QString kDeleteError =
    QStringLiteral("ログを削除することができませんでした。\rログファイルが存在する場合は、"
                   "読み込み専用になっていないか、ロックされていないかを確認してください。");

// The records of the log; none when there is no log. False when the file is
// there but cannot be read.
bool LogFileRecords(const QString& sFileName, QList<TLogRecord>& records)
{
    if (!QFileInfo::exists(sFileName))
        return true;
    QFile file(sFileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    records = LogRecordsRead(bytes);
    return true;
}

} // namespace

QString LogFileName()
{
    return FileBaseName + LogExtension;
}

namespace {

// Made by the first record, on the program's thread, which hears of every record lost.
TLogWriter& LogWriter()
{
    // Records arrive with the engine's events; their losses must not stack boxes there.
    static TLogWriter writer([](int iLost) {
        for (int i = 0; i < iLost; ++i)
            WarningShow(kSaveErrorKind, kSaveError, MessageBox::MB_ICONWARNING);
    });
    return writer;
}

} // namespace

void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText)
{
    // The time is the time of the call, however long the record waits for the disk.
    LogWriter().Add(LogFileName(), LogRecordBytes(iKind, sFrom, sTo, sText, SystemClock::Now()));
}

void LogWriteLines(const QList<TLogLine>& lines)
{
    const auto now = SystemClock::Now();
    QList<QByteArray> records;
    records.reserve(lines.size());
    for (const TLogLine& line : lines)
        records << LogRecordBytes(line.iKind, line.sFrom, line.sTo, line.sText, now);
    LogWriter().Add(LogFileName(), records);
}

void LogWriteWait()
{
    LogWriter().Wait();
}

void LogFormShow()
{
    SingleFormShow(LogForm);
}

void LogFormRelease()
{
    delete LogForm;
}

TLogForm::TLogForm() : TCommonForm(TWindowKind::Log, kDesignSize)
{
    setWindowTitle(kCaption);
    laTitle->setText(kTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    wbLog = new TLogTableView(pnClient);
    wbLog->setObjectName(QStringLiteral("wbLog"));
    pmBrowser = new QMenu(this);
    pmBrowserAllSelect = pmBrowser->addAction(QStringLiteral("すべてを選択(&A)"));
    pmBrowserCopy = pmBrowser->addAction(QStringLiteral("コピー(&C)"));
    connect(pmBrowserAllSelect, &QAction::triggered, this, &TLogForm::pmBrowserAllSelectClick);
    connect(pmBrowserCopy, &QAction::triggered, this, &TLogForm::pmBrowserCopyClick);
    wbLog->SetPopupMenu(pmBrowser);

    // The lock covers the table; its panel stays centred as the window changes size.
    pnPasswordBack = new QWidget(pnClient);
    pnPasswordBack->setObjectName(QStringLiteral("pnPasswordBack"));
    pnPasswordBack->setAutoFillBackground(true);
    pnPassword = new QWidget(pnPasswordBack);
    Label2 = new QLabel(QStringLiteral("ログビューアを開くにはパスワードが必要です。"), pnPassword);
    edPassword = new QLineEdit(pnPassword);
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    btPasswordOk = new QPushButton(QStringLiteral("OK(&O)"), pnPassword);
    btPasswordOk->setDefault(true);
    auto* passwordLayout = new QGridLayout(pnPassword);
    passwordLayout->addWidget(Label2, 0, 0, 1, 2);
    passwordLayout->addWidget(edPassword, 1, 0);
    passwordLayout->addWidget(btPasswordOk, 1, 1);
    auto* backLayout = new QGridLayout(pnPasswordBack);
    backLayout->addWidget(pnPassword, 0, 0, Qt::AlignCenter);
    connect(btPasswordOk, &QPushButton::clicked, this, &TLogForm::btPasswordOkClick);
    connect(edPassword, &QLineEdit::returnPressed, this, &TLogForm::btPasswordOkClick);

    pnFooter = new QWidget(pnClient);
    btAllDelete = new QPushButton(QStringLiteral("ログ全消去"), pnFooter);
    btRefresh = new QPushButton(QStringLiteral("最新の情報に更新(&R)"), pnFooter);
    btClose = new QPushButton(QStringLiteral("閉じる(&C)"), pnFooter);
    auto* footerLayout = new QHBoxLayout(pnFooter);
    footerLayout->setContentsMargins(4, 4, 4, 4);
    footerLayout->addWidget(btAllDelete);
    footerLayout->addStretch(1);
    footerLayout->addWidget(btRefresh);
    footerLayout->addWidget(btClose);
    connect(btAllDelete, &QPushButton::clicked, this, &TLogForm::btAllDeleteClick);
    connect(btRefresh, &QPushButton::clicked, this, &TLogForm::btRefreshClick);
    connect(btClose, &QPushButton::clicked, this, &TLogForm::btCloseClick);

    auto* clientLayout = new QGridLayout(pnClient);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    clientLayout->addWidget(wbLog, 0, 0);
    clientLayout->addWidget(pnPasswordBack, 0, 0);
    clientLayout->addWidget(pnFooter, 1, 0);

    LogLoad();
    PanelVisibleSet();
    // The table is built behind the lock; the lock only covers it.
    if (SecurityLog) {
        btAllDelete->hide();
        btRefresh->hide();
        pnPasswordBack->raise();
        pnPasswordBack->show();
        // Nor can the keyboard reach the table behind the lock to select and copy it.
        wbLog->setEnabled(false);
        StatusTextSet(kPasswordStatus);
        edPassword->setFocus();
    } else {
        pnPasswordBack->hide();
    }
    // A viewer waiting for its password opens once the applied settings lift the
    // lock, as the right password would.
    connect(&SettingsStore(), &TSettingsStore::Applied, this, [this] {
        if (SecurityLog || !pnPasswordBack->isVisible())
            return;
        edPassword->setText(SecurityLogPassword);
        btPasswordOkClick();
    });
}

TLogForm::~TLogForm()
{
    FormDestroy();
}

QString TLogForm::StatusText() const
{
    return sbInformation->PanelText(0);
}

void TLogForm::StatusTextSet(const QString& sText)
{
    sbInformation->SetPanelText(0, sText);
}

void TLogForm::LogLoad()
{
    // What was written before the load is in it.
    LogWriteWait();
    QList<TLogRecord> records;
    if (LogFileRecords(LogFileName(), records)) {
        PrRecordCount = static_cast<int>(records.size());
        btAllDelete->setEnabled(PrRecordCount > 0);
        PrLoadedStatus = LogCountText(PrRecordCount, SystemClock::Now());
    } else {
        PrRecordCount = -1;
        btAllDelete->setEnabled(false);
        MessageBoxShow(kReadError, ApplicationTitle, MessageBox::MB_ICONWARNING);
        PrLoadedStatus = kReadErrorStatus;
    }
    wbLog->SetRecords(records);
    StatusTextSet(PrLoadedStatus);
}

void TLogForm::btPasswordOkClick()
{
    if (edPassword->text() != SecurityLogPassword) {
        edPassword->selectAll();
        edPassword->setFocus();
        MessageBoxShow(WrongPasswordText, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    pnPasswordBack->hide();
    wbLog->setEnabled(true);
    btAllDelete->show();
    btRefresh->show();
    btClose->setFocus();
    // The prompt had taken the place of what the load found.
    StatusTextSet(PrLoadedStatus);
}

void TLogForm::btRefreshClick()
{
    LogLoad();
}

void TLogForm::btAllDeleteClick()
{
    if (!AskYes(kDeleteQuestion, YesNoQuestionNoDefault))
        return;
    // The records written before the question go with the rest.
    LogWriteWait();
    if (!LogFileDelete(LogFileName())) {
        MessageBoxShow(kDeleteError, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    LogLoad();
    StatusTextSet(LogDeletedText(SystemClock::Now()));
    btAllDelete->setEnabled(false);
}

void TLogForm::btCloseClick()
{
    close();
}

void TLogForm::pmBrowserAllSelectClick()
{
    wbLog->SelectAll();
}

void TLogForm::pmBrowserCopyClick()
{
    wbLog->Copy();
}
