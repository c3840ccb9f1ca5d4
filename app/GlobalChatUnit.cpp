#include "GlobalChatUnit.h"

#include "IniFile.h"
#include "MainWindowEvents.h"
#include "MessageBox.h"
#include "StatusPanelBar.h"
#include "WebBasePage.h"
#include "WebBrowserSp.h"
#include "WebServer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
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
// The chat page's log keeps its newest lines only: a long session would lay out
// an ever longer page with every line that comes.
constexpr int kLineLimit = 250;
constexpr int kPageFlags =
    TWebBrowserSp::navNoHistory | TWebBrowserSp::navNoReadFromCache | TWebBrowserSp::navNoWriteToCache;

bool Contains(const QString& sURL, const QString& sPart)
{
    return !sPart.isEmpty() && sURL.contains(sPart);
}

bool ChatPage(const TGlobalChatPages& pages, const QUrl& url)
{
    return WebServer::AddressMatches(url, pages.sLogin) || WebServer::AddressMatches(url, pages.sLobby) ||
           WebServer::AddressMatches(url, pages.sLogout);
}

// The windows that have become browsers; they live without a reference of their own.
QList<QPointer<TGlobalChatForm>> BrowserWindows;

} // namespace

void TGlobalChatForm::MainWindowCheck(bool bChecked)
{
    if (TMainWindowEvents* main = PrServices->Main)
        emit main->GlobalChatWindowShown(bChecked);
}

TGlobalChatPages GlobalChatPages()
{
    return {WebServer::Address(WebServer::LoginPath), WebServer::Address(WebServer::LobbyPath),
            WebServer::Address(WebServer::LogoutPath), WebServer::Address(WebServer::SentinelPath),
            WebServer::AdvertisingHosts()};
}

TGlobalChatNavigation GlobalChatNavigation(const TGlobalChatPages& pages, const TWebNavigation& navigation,
                                           bool bBrowser)
{
    const QUrl& url = navigation.URL;
    const bool bChatPage = ChatPage(pages, url);
    if (bBrowser)
        return bChatPage ? TGlobalChatNavigation::Cancel : TGlobalChatNavigation::Proceed;
    if (url == QUrl(TWebBrowserSp::BlankPage))
        return TGlobalChatNavigation::Proceed;
    if (WebServer::AddressMatches(url, pages.sSentinel))
        return TGlobalChatNavigation::Release;
    if (bChatPage)
        return TGlobalChatNavigation::Proceed;
    const QString sURL = url.toString();
    for (const QString& sHost : pages.slAdvertisingHosts)
        if (Contains(sURL, sHost))
            return TGlobalChatNavigation::Proceed;
    // The engine names no frame targets; a navigation inside a frame stands for one.
    if (!navigation.bMainFrame)
        return TGlobalChatNavigation::Proceed;
    // A maintenance page or a portal that a chat page leads to is shown as that page.
    if (ChatPage(pages, navigation.RedirectFrom))
        return TGlobalChatNavigation::Proceed;
    if (navigation.bUserStarted)
        return TGlobalChatNavigation::BecomeBrowser;
    // A page may not send the window elsewhere by itself: each window that went
    // would make a new chat window, whose page would do the same.
    return TGlobalChatNavigation::Cancel;
}

QString GlobalChatLobbyPostData(const QDate& date)
{
    return QStringLiteral("adsence=") + date.toString(QStringLiteral("yyyyMMdd"));
}

TGlobalChatForm::TGlobalChatForm(const TWindowServicesRef& services)
    : TCommonForm(TWindowKind::GlobalChat, kDesignSize), PrServices(services)
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

    wbLog->OnBeforeNavigate2 = [this](const TWebNavigation& navigation) {
        return wbLogBeforeNavigate2(navigation);
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

bool TGlobalChatForm::wbLogBeforeNavigate2(const TWebNavigation& navigation)
{
    switch (GlobalChatNavigation(GlobalChatPages(), navigation, prBrowser)) {
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
    IniFile ini(SettingsFileName());
    if (!(WindowPlacementWrite(ini, SettingsSection(), this) &&
          AlphaBlendWrite(ini, SettingsSection(), tbAlphaBlend->value())))
        SettingsSaveErrorShow();
    BrowserWindows.removeAll(nullptr);
    BrowserWindows.append(this);

    auto* successor = new TGlobalChatForm(PrServices);
    GlobalChatForm = successor;
    successor->SetReferenceClear([successor] {
        if (GlobalChatForm == successor)
            GlobalChatForm = nullptr;
    });
    successor->show();
    MainWindowCheck(true);

    WindowPlacementApply(this,
                         WindowPlacementRead(IniFile(SettingsFileName()), kBrowserSection, kDesignSize));
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
    const QUrl url(edURL->text());
    if (WebAddressForDesktop(url))
        QDesktopServices::openUrl(url);
}

void TGlobalChatForm::closeEvent(QCloseEvent* event)
{
    if (PrReleasing || prBrowser || prError) {
        event->accept();
        return;
    }
    event->ignore();
    FAsking = true;
    const int iAnswer =
        MessageBoxShow(kLogoutQuestion, ApplicationTitle, MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION);
    FAsking = false;
    // The time-out came while the question was open, and the log-out is over.
    if (PrReleasing) {
        event->accept();
        return;
    }
    if (iAnswer != MessageBox::IDYES)
        return;
    // A second Yes while the log-out runs keeps the first time-out.
    if (!tmRelease.isActive())
        tmRelease.start();
    wbLog->Navigate(GlobalChatPages().sLogout, kPageFlags);
}

void TGlobalChatForm::Release()
{
    PrReleasing = true;
    // A close asked for from inside the question's close would be refused: the
    // question ends instead, and its close lets the window go.
    if (FAsking) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->text() == kLogoutQuestion)
            box->reject();
        return;
    }
    close();
}

void GlobalChatFormShow(const TWindowServicesRef& services)
{
    SingleFormShow(GlobalChatForm, services)->MainWindowCheck(true);
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
    for (const QPointer<TGlobalChatForm>& browser : std::exchange(BrowserWindows, {}))
        delete browser.data();
}
