#include "UpdateUnit.h"

#include "IniFile.h"
#include "TimeText.h"
#include "WebBasePage.h"
#include "WebBrowserSp.h"
#include "WebServer.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const QSize kDesignSize(334, 165);
const QSize kMinimumSize(350, 200);
const QString kCaption = QStringLiteral("アップデート - Parvane 2");
const QString kLoadingStatus = QStringLiteral("アップデート情報を取得中...");
const QString kLoadingNotice = QStringLiteral("バージョン情報を取得しています...");

const QString kOwnVersionBlock = QStringLiteral(
    "<div style=\"margin-bottom: 5px; padding: 0px 10px; font-size: 12px; font-weight: bold; color: #884444; "
    "border-top: 2px solid #bb8888; border-bottom: 2px solid #bb8888; background-color: #ffeeee;\">"
    "現在のバージョン：%1</div>");
const QString kFailedBlock =
    QStringLiteral("<div style=\"margin-bottom: 20px; margin-left: 10px; color: #ff0000; "
                   "font-weight: bold;\">最新バージョンのチェックができませんでした。</div>");
const QString kSameBlocks[] = {
    QStringLiteral("<div style=\"margin-left: 10px;\">最新のバージョンを使用中です。</div>"),
    QStringLiteral(
        "<div style=\"margin-bottom: 20px; margin-left: 10px;\">バージョンアップの必要はありません。</div>")};
const QString kOtherBlock = QStringLiteral(
    "<div style=\"margin-bottom: 20px; margin-left: 10px; color: #0000ff; font-weight: bold;\">"
    "以下の最新バージョンをダウンロードすることができます。</div>");
const QString kLatestBlock = QStringLiteral(
    "<div style=\"margin-bottom: 5px; padding: 0px 10px; font-size: 12px; font-weight: bold; color: #448844; "
    "border-top: 2px solid #88bb88; border-bottom: 2px solid #88bb88; background-color: #eeffee;\">"
    "最新のバージョン：%1</div>");
const QString kUnknownAdvice = QStringLiteral(
    "<div style=\"margin-left: 10px;\">時間を置いてから再度試すか、以下の「ダウンロード ページへ」"
    "のボタンを押して直接 Brenmoor のホームページへアクセスしてください。</div>");
// Without a server the button has no page to open: the advice names none.
const QString kRetryAdvice =
    QStringLiteral("<div style=\"margin-left: 10px;\">時間を置いてから再度試してください。</div>");
const QString kNoteBlock = QStringLiteral("<div style=\"margin-left: 10px;\">%1</div>");

} // namespace

QStringList VersionAnswerLines(const QString& sText)
{
    if (sText.isEmpty())
        return {};
    QString sBody = sText;
    if (sBody.endsWith(QStringLiteral("\r\n")))
        sBody.chop(2);
    else if (sBody.endsWith(QLatin1Char('\n')) || sBody.endsWith(QLatin1Char('\r')))
        sBody.chop(1);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return sBody.split(lineBreak);
}

TVersionCheckResult VersionCheckEvaluate(const QString& sOwnVersion, const QString& sAnswer, bool bError)
{
    TVersionCheckResult result;
    const QStringList slLines = VersionAnswerLines(sAnswer);
    result.bError = bError || slLines.size() < 3;
    result.slBlocks << kOwnVersionBlock.arg(sOwnVersion);
    if (result.bError) {
        result.sURL = WebServer::HomePage();
        // Without a server there is no home page to send the user to.
        result.bAccessEnabled = WebAddressForDesktop(QUrl(result.sURL));
        result.slBlocks << kFailedBlock << kLatestBlock.arg(QStringLiteral("不明"))
                        << (result.bAccessEnabled ? kUnknownAdvice : kRetryAdvice);
        return result;
    }
    // The button opens the desktop's browser: anything but a web page is not opened.
    const bool bWebPage = WebAddressForDesktop(QUrl(slLines[0]));
    if (slLines[1] == sOwnVersion) {
        result.slBlocks << kSameBlocks[0] << kSameBlocks[1];
    } else {
        result.slBlocks << kOtherBlock;
        result.bOtherVersion = true;
        result.bAccessEnabled = bWebPage;
    }
    result.slBlocks << kLatestBlock.arg(slLines[1]);
    for (int i = 2; i < slLines.size(); ++i)
        result.slBlocks << kNoteBlock.arg(slLines[i]);
    if (bWebPage)
        result.sURL = slLines[0];
    return result;
}

QString UpdateStatusText(const QDateTime& when)
{
    const QTime time = when.time();
    return when.date().toString(QStringLiteral("yyyy年MM月dd日 ")) + TimeText::AmPmMark(time) +
           QStringLiteral(" %1時").arg(TimeText::Hour12(time)) + time.toString(QStringLiteral("mm分ss秒")) +
           QStringLiteral(" 受信");
}

TUpdateForm::TUpdateForm() : TCommonForm(TWindowKind::Update, kDesignSize)
{
    setWindowTitle(kCaption);
    laTitle->setText(QStringLiteral("アップデート"));
    WindowMinimumSizeSet(this, kMinimumSize);

    auto* layout = new QVBoxLayout(pnClient);
    PrLayout = layout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The browser view comes above the buttons once it is made.
    layout->addStretch(1);

    auto* footer = new QWidget(pnClient);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(6, 6, 6, 6);
    btAccess = new QPushButton(QStringLiteral("ダウンロード ページへ(&A)"), footer);
    btAccess->setEnabled(false);
    btClose = new QPushButton(QStringLiteral("閉じる(&C)"), footer);
    btClose->setDefault(true);
    footerLayout->addWidget(btAccess);
    footerLayout->addStretch(1);
    footerLayout->addWidget(btClose);
    layout->addWidget(footer);
    sbText = new QLabel(kLoadingStatus, pnClient);
    sbText->setFrameShape(QFrame::StyledPanel);
    sbText->setContentsMargins(4, 1, 4, 1);
    layout->addWidget(sbText);
    connect(btAccess, &QPushButton::clicked, this, &TUpdateForm::btAccessClick);
    connect(btClose, &QPushButton::clicked, this, &TUpdateForm::btCloseClick);
    tmCheck.setSingleShot(true);
    tmCheck.setInterval(CheckTimeoutMs);
    connect(&tmCheck, &QTimer::timeout, this, &TUpdateForm::CheckFail);
}

void TUpdateForm::showEvent(QShowEvent* event)
{
    TCommonForm::showEvent(event);
    // Started after the window's first exposure, which paints it and puts it on screen.
    if (wbBrowser == nullptr && windowHandle() != nullptr)
        windowHandle()->installEventFilter(this);
}

bool TUpdateForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        // After this exposure has been painted.
        QTimer::singleShot(0, this, &TUpdateForm::BrowserStart);
    }
    return TCommonForm::eventFilter(watched, event);
}

void TUpdateForm::BrowserStart()
{
    if (wbBrowser != nullptr)
        return;
    wbBrowser = new TWebBrowserSp(pnClient);
    wbBrowser->SetPopupMenu(WebBrowserPopupMenu(this, wbBrowser));
    delete PrLayout->takeAt(0);
    PrLayout->insertWidget(0, wbBrowser, 1);
    WebBasePageShow(wbBrowser, kLoadingNotice);
    wbBrowser->OnBeforeNavigate2 = [this](const TWebNavigation& navigation) {
        return wbBrowserBeforeNavigate2(navigation);
    };
    wbBrowser->OnDocumentComplete = [this](const QUrl& url) { wbBrowserLoaded(url, true); };
    wbBrowser->OnNavigateError = [this](const QUrl& url) { wbBrowserLoaded(url, false); };
    const QString sVersionPage = WebServer::Address(WebServer::VersionPath);
    if (sVersionPage.isEmpty()) {
        prError = true;
        Check(QString());
        return;
    }
    // After the opener has said how the window was opened, which decides how the check ends.
    if (wbBrowser->EngineMissing()) {
        QTimer::singleShot(0, this, &TUpdateForm::CheckFail);
        return;
    }
    tmCheck.start();
    wbBrowser->Navigate(sVersionPage);
}

TUpdateForm::~TUpdateForm()
{
    FormDestroy();
}

QString TUpdateForm::StatusText() const
{
    return sbText->text();
}

bool TUpdateForm::wbBrowserBeforeNavigate2(const TWebNavigation& navigation)
{
    const QString sVersionPage = WebServer::Address(WebServer::VersionPath);
    if (!navigation.bMainFrame || navigation.URL == QUrl(TWebBrowserSp::BlankPage) ||
        WebServer::AddressMatches(navigation.URL, sVersionPage))
        return true;
    if (!PrChecked && WebServer::AddressMatches(navigation.RedirectFrom, sVersionPage)) {
        FAnswerUrl = navigation.URL;
        return true;
    }
    // A link of a note that the user follows; the page does not go elsewhere by itself.
    return navigation.bUserStarted;
}

void TUpdateForm::wbBrowserLoaded(const QUrl& url, bool bOk)
{
    if (PrChecked)
        return;
    if (!WebServer::AddressMatches(url, WebServer::Address(WebServer::VersionPath)) &&
        (FAnswerUrl.isEmpty() || url != FAnswerUrl))
        return;
    if (!bOk)
        prError = true;
    wbBrowser->BodyText([this](const QString& sText) { Check(sText); });
}

void TUpdateForm::CheckFail()
{
    if (PrChecked)
        return;
    prError = true;
    // Whatever still loads would replace the result.
    wbBrowser->Stop();
    Check(QString());
}

void TUpdateForm::Check(const QString& sAnswer)
{
    if (PrChecked)
        return;
    PrChecked = true;
    tmCheck.stop();
    const TVersionCheckResult result = VersionCheckEvaluate(ProductVersion, sAnswer, prError);
    prError = result.bError;
    WebBasePageShow(wbBrowser, QString());
    for (const QString& sBlock : result.slBlocks)
        wbBrowser->InnerHTMLAdd(sBlock);
    btAccess->setEnabled(result.bAccessEnabled);
    prURL = result.sURL;
    sbText->setText(UpdateStatusText(QDateTime::currentDateTime()));

    IniFile ini(SettingsFileName());
    if (!SettingsWriteLastCheck(ini, QDate::currentDate()))
        SettingsSaveErrorShow();

    switch (puAuto) {
    case TUpdateFormShowType::stShow:
        break;
    case TUpdateFormShowType::stAuto:
        if (result.bOtherVersion) {
            show();
            break;
        }
        deleteLater();
        break;
    case TUpdateFormShowType::stCheckedToClose:
        deleteLater();
        break;
    }
}

void TUpdateForm::btAccessClick()
{
    if (WebAddressForDesktop(QUrl(prURL)))
        QDesktopServices::openUrl(QUrl(prURL));
}

void TUpdateForm::btCloseClick()
{
    close();
}

void UpdateFormShow()
{
    const bool bHidden = UpdateForm != nullptr && !UpdateForm->isVisible();
    SingleFormShow(UpdateForm);
    // The user asked to see the check the start made hidden; it stays open now.
    if (bHidden)
        UpdateForm->puAuto = TUpdateFormShowType::stShow;
}

void UpdateFormStartCheck()
{
    if (UpdateForm != nullptr || !WebServer::Configured())
        return;
    UpdateForm = new TUpdateForm();
    TUpdateForm* created = UpdateForm;
    created->SetReferenceClear([created] {
        if (UpdateForm == created)
            UpdateForm = nullptr;
    });
    created->puAuto = TUpdateFormShowType::stAuto;
    // Hidden, nothing waits for it to show.
    created->BrowserStart();
}

void UpdateFormRelease()
{
    delete UpdateForm;
}
