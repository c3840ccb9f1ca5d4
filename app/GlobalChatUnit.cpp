#include "GlobalChatUnit.h"

#include "IniFile.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "StatusPanelBar.h"
#include "WebBasePage.h"
#include "WebBrowserSp.h"
#include "WebServer.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QSize kDesignSize(516, 384);
const QSize kMinimumSize(320, 220);
const QString kCaption = QStringLiteral("グローバル チャット - Parvane 2");
const QString kBrowserCaption = QStringLiteral("ブラウザ - Parvane 2");
const QString kBrowserSection = QStringLiteral("BrowserWindow");
const QString kConnectingNotice = QStringLiteral("サーバーに接続しています...");
const QString kNoAnswerNotice =
    QStringLiteral("サーバーが応答しませんでした。<br />暫く時間を置いてから再度試してください。");
const QString kLogoutQuestion = QStringLiteral("グローバル チャットからログアウトしますか？");
constexpr int kLineLimit = 250;
constexpr int kPageFlags =
    TWebBrowserSp::navNoHistory | TWebBrowserSp::navNoReadFromCache | TWebBrowserSp::navNoWriteToCache;

bool Contains(const QString& sURL, const QString& sPart)
{
    return !sPart.isEmpty() && sURL.contains(sPart);
}

void MainWindowCheck(bool bChecked)
{
    if (MainForm != nullptr && MainForm->miToolGlobalChat != nullptr)
        MainForm->miToolGlobalChat->setChecked(bChecked);
}

} // namespace

TGlobalChatPages GlobalChatPages()
{
    return {WebServer::Address(WebServer::LoginPath), WebServer::Address(WebServer::LobbyPath),
            WebServer::Address(WebServer::LogoutPath), WebServer::Address(WebServer::SentinelPath),
            WebServer::AdvertisingHosts()};
}

TGlobalChatNavigation GlobalChatNavigation(const TGlobalChatPages& pages, const QString& sURL,
                                           bool bMainFrame, bool bBrowser)
{
    const bool bChatPage =
        Contains(sURL, pages.sLogin) || Contains(sURL, pages.sLobby) || Contains(sURL, pages.sLogout);
    if (bBrowser)
        return bChatPage ? TGlobalChatNavigation::Cancel : TGlobalChatNavigation::Proceed;
    if (sURL == TWebBrowserSp::BlankPage)
        return TGlobalChatNavigation::Proceed;
    if (Contains(sURL, pages.sSentinel))
        return TGlobalChatNavigation::Release;
    if (bChatPage)
        return TGlobalChatNavigation::Proceed;
    for (const QString& sHost : pages.slAdvertisingHosts)
        if (Contains(sURL, sHost))
            return TGlobalChatNavigation::Proceed;
    // The engine names no frame targets; a navigation inside a frame stands for one.
    if (!bMainFrame)
        return TGlobalChatNavigation::Proceed;
    return TGlobalChatNavigation::BecomeBrowser;
}

QString GlobalChatLobbyPostData(const QDate& date)
{
    return QStringLiteral("adsence=") + date.toString(QStringLiteral("yyyyMMdd"));
}

TGlobalChatForm::TGlobalChatForm() : TCommonForm(TWindowKind::GlobalChat, kDesignSize)
{
    setWindowTitle(kCaption);
    laTitle->setText(QStringLiteral("グローバル チャット"));
    WindowMinimumSizeSet(this, kMinimumSize);

    auto* layout = new QVBoxLayout(pnClient);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pnURL = new QWidget(pnClient);
    auto* urlLayout = new QHBoxLayout(pnURL);
    urlLayout->setContentsMargins(2, 2, 2, 2);
    edURL = new QLineEdit(pnURL);
    edURL->setReadOnly(true);
    edURL->setStyleSheet(QStringLiteral("color: grey;"));
    sbBrowser = new QToolButton(pnURL);
    sbBrowser->setAutoRaise(true);
    sbBrowser->setText(QStringLiteral("開く"));
    sbBrowser->setToolTip(QStringLiteral("デフォルトのブラウザで開く"));
    urlLayout->addWidget(edURL, 1);
    urlLayout->addWidget(sbBrowser);
    pnURL->hide();
    layout->addWidget(pnURL);

    wbLog = new TWebBrowserSp(pnClient);
    wbLog->SetPopupMenu(WebBrowserPopupMenu(this, wbLog));
    layout->addWidget(wbLog, 1);

    pnFooter = new QWidget(pnClient);
    auto* footerLayout = new QHBoxLayout(pnFooter);
    footerLayout->setContentsMargins(6, 6, 6, 6);
    btReload = new QPushButton(QStringLiteral("最新の情報に更新"), pnFooter);
    btReload->hide();
    btLogout = new QPushButton(QStringLiteral("ログアウト"), pnFooter);
    footerLayout->addWidget(btReload);
    footerLayout->addStretch(1);
    footerLayout->addWidget(btLogout);
    layout->addWidget(pnFooter);

    tmRelease.setSingleShot(true);
    tmRelease.setInterval(ReleaseTimeoutMs);
    tmAdHide.setSingleShot(true);
    tmAdHide.setInterval(AdHideMs);
    connect(&tmRelease, &QTimer::timeout, this, &TGlobalChatForm::Release);
    connect(&tmAdHide, &QTimer::timeout, this, &TGlobalChatForm::LobbyPost);
    connect(btLogout, &QPushButton::clicked, this, &TGlobalChatForm::btLogoutClick);
    connect(btReload, &QPushButton::clicked, this, [this] { wbLog->Navigate(edURL->text()); });
    connect(sbBrowser, &QToolButton::clicked, this, &TGlobalChatForm::sbBrowserClick);

    wbLog->OnBeforeNavigate2 = [this](const QUrl& url, bool bMainFrame) {
        return wbLogBeforeNavigate2(url, bMainFrame);
    };
    wbLog->OnDocumentComplete = [this](const QUrl& url) { edURL->setText(url.toString()); };
    wbLog->OnNavigateError = [this](const QUrl&) { wbLogNavigateError(); };
    wbLog->OnNewWindow2 = [this] {
        if (!prBrowser)
            tmAdHide.start();
    };

    wbLog->SetLineLimit(kLineLimit);
    WebBasePageShow(wbLog, kConnectingNotice);
    if (GlobalChatPages().sLobby.isEmpty())
        ErrorShow();
    else
        LobbyPost();
    PanelVisibleSet();
}

TGlobalChatForm::~TGlobalChatForm()
{
    FormDestroy();
    if (!prBrowser && GlobalChatForm == this)
        MainWindowCheck(false);
}

void TGlobalChatForm::PanelVisibleSet()
{
    if (!prBrowser) {
        TCommonForm::PanelVisibleSet();
        return;
    }
    pnHeader->hide();
    sbInformation->hide();
}

void TGlobalChatForm::LobbyPost()
{
    wbLog->NavigatePost(GlobalChatPages().sLobby, GlobalChatLobbyPostData(QDate::currentDate()), QString(),
                        kPageFlags);
}

bool TGlobalChatForm::wbLogBeforeNavigate2(const QUrl& url, bool bMainFrame)
{
    switch (GlobalChatNavigation(GlobalChatPages(), url.toString(), bMainFrame, prBrowser)) {
    case TGlobalChatNavigation::Proceed:
        return true;
    case TGlobalChatNavigation::Cancel:
        return false;
    case TGlobalChatNavigation::Release:
        // Not from inside the engine's own call.
        QTimer::singleShot(0, this, &TGlobalChatForm::Release);
        return false;
    case TGlobalChatNavigation::BecomeBrowser:
        prBrowser = true;
        QTimer::singleShot(0, this, &TGlobalChatForm::BrowserBecome);
        return true;
    }
    return true;
}

void TGlobalChatForm::wbLogNavigateError()
{
    if (prBrowser)
        return;
    if (tmRelease.isActive()) {
        Release();
        return;
    }
    ErrorShow();
}

void TGlobalChatForm::ErrorShow()
{
    WebBasePageShow(wbLog, QString());
    wbLog->SetInnerHTML(WebNoticeHtml(kNoAnswerNotice));
    prError = true;
    btReload->setEnabled(false);
    btLogout->setText(QStringLiteral("閉じる"));
}

void TGlobalChatForm::BrowserBecome()
{
    // The new chat window opens where this one is, as this one is.
    const QRect frame = frameGeometry();
    IniFile ini(SettingsFileName());
    if (!(ini.WriteInteger(SettingsSection(), QStringLiteral("Left"), frame.left()) &&
          ini.WriteInteger(SettingsSection(), QStringLiteral("Top"), frame.top()) &&
          ini.WriteInteger(SettingsSection(), QStringLiteral("Width"), frame.width()) &&
          ini.WriteInteger(SettingsSection(), QStringLiteral("Height"), frame.height()) &&
          ini.WriteInteger(SettingsSection(), QStringLiteral("AlphaBlend"), tbAlphaBlend->value())))
        SettingsSaveErrorShow();

    auto* successor = new TGlobalChatForm();
    GlobalChatForm = successor;
    successor->SetReferenceClear([successor] {
        if (GlobalChatForm == successor)
            GlobalChatForm = nullptr;
    });
    successor->show();
    MainWindowCheck(true);

    // The section holds the frame's place and size, as every window's does.
    const IniFile browserIni(SettingsFileName());
    const QRect own = frameGeometry();
    WindowPlacementApply(
        this, {QRect(browserIni.ReadInteger(kBrowserSection, QStringLiteral("Left"), own.x()),
                     browserIni.ReadInteger(kBrowserSection, QStringLiteral("Top"), own.y()),
                     browserIni.ReadInteger(kBrowserSection, QStringLiteral("Width"), own.width()),
                     browserIni.ReadInteger(kBrowserSection, QStringLiteral("Height"), own.height())),
               false});
    SetSettingsSection(kBrowserSection);
    setWindowTitle(kBrowserCaption);
    setWindowOpacity(1.0);
    // The slider goes with the status bar; the chat window's transparency is no longer this window's.
    tbAlphaBlend = nullptr;
    PanelVisibleSet();
    pnFooter->hide();
    pnURL->show();
    wbLog->SetPopupMenu(nullptr);
    WindowForeground(this);
}

void TGlobalChatForm::btLogoutClick()
{
    close();
}

void TGlobalChatForm::sbBrowserClick()
{
    if (!edURL->text().isEmpty())
        QDesktopServices::openUrl(QUrl(edURL->text()));
}

void TGlobalChatForm::closeEvent(QCloseEvent* event)
{
    if (PrReleasing || prBrowser || prError) {
        event->accept();
        return;
    }
    event->ignore();
    if (MessageBoxShow(kLogoutQuestion, ApplicationTitle,
                       MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION) != MessageBox::IDYES)
        return;
    // A second Yes while the log-out runs keeps the first time-out.
    if (!tmRelease.isActive())
        tmRelease.start();
    wbLog->Navigate(GlobalChatPages().sLogout, kPageFlags);
}

void TGlobalChatForm::Release()
{
    PrReleasing = true;
    close();
}

void GlobalChatFormShow()
{
    SingleFormShow(GlobalChatForm);
    MainWindowCheck(true);
}

void GlobalChatFormClose()
{
    if (GlobalChatForm != nullptr)
        GlobalChatForm->close();
}

bool GlobalChatFormExists()
{
    return GlobalChatForm != nullptr;
}

void GlobalChatFormRelease()
{
    delete GlobalChatForm;
}
