// The web windows: their rules as plain functions, and a few runs of the real
// browser against a server inside the test, in a host of the test LAN, so that
// nothing the browser sends can leave it.
#include "BrowserEngine.h"
#include "DonationUnit.h"
#include "GlobalChatUnit.h"
#include "IniFile.h"
#include "LanSuite.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "OwnProcess.h"
#include "PageClick.h"
#include "ProgramWindowUnits.h"
#include "RequestUnit.h"
#include "TestLan.h"
#include "UpdateUnit.h"
#include "VersionUnit.h"
#include "WaitUntil.h"
#include "WebBrowserSp.h"
#include "WebServer.h"
#include "WebTestServer.h"
#include "WindowTest.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

// Stands in for the desktop's browser and file opener while a test runs: what the
// program hands to the desktop is recorded here and opened nowhere.
class DesktopCatcher : public QObject {
    Q_OBJECT

public:
    DesktopCatcher()
    {
        for (const char* scheme : Schemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~DesktopCatcher() override
    {
        for (const char* scheme : Schemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> Opened;

public slots:
    void Open(const QUrl& url) { Opened.append(url); }

private:
    static constexpr const char* Schemes[] = {"http", "https", "file", "ftp", "javascript", "data"};
};

namespace {

// A page may take its time: the browser starts its processes on the first.
bool WaitFor(const std::function<bool()>& condition, int iTimeoutMs = 15000)
{
    return TestSupport::WaitUntil(condition, iTimeoutMs);
}

const TGlobalChatPages kPages{QStringLiteral("http://h/application/parvane2/globalchat/login.php"),
                              QStringLiteral("http://h/application/parvane2/globalchat/lobby.php"),
                              QStringLiteral("http://h/application/parvane2/globalchat/logout.php"),
                              QStringLiteral("http://h/end.html"),
                              {QStringLiteral("ad.h"), QStringLiteral("ads.h")}};

// ---- Rules, without a browser

TEST(VersionAnswer, LinesAreCountedWithoutTheLastLineBreak)
{
    const struct {
        const char* text;
        QStringList lines;
    } cases[] = {
        {"u\n2.53\nnote", {"u", "2.53", "note"}},
        {"u\n2.53\nnote\n", {"u", "2.53", "note"}},
        {"u\r\n2.53\r\nnote\r\n", {"u", "2.53", "note"}},
        {"u\r2.53\rnote\r", {"u", "2.53", "note"}},
        {"u\n2.53\n", {"u", "2.53"}},
        {"u\n2.53\n\n", {"u", "2.53", ""}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VersionAnswerLines(QString::fromUtf8(c.text)), c.lines) << c.text;
}

TEST(VersionAnswer, EachAnswerGivesItsResult)
{
    const struct {
        const char* answer;
        bool bFailedLoad;
        bool bError, bOther, bAccess;
        const char* url;
        const char* shown;
        int iBlocks;
    } cases[] = {
        {.answer = "http://d/\n2.53\n",
         .bFailedLoad = false,
         .bError = true,
         .bOther = false,
         .bAccess = false,
         .url = "",
         .shown = "最新のバージョン：不明",
         .iBlocks = 4},
        {.answer = "http://d/\n2.53\nnote",
         .bFailedLoad = false,
         .bError = false,
         .bOther = false,
         .bAccess = false,
         .url = "http://d/",
         .shown = "最新のバージョンを使用中です。",
         .iBlocks = 5},
        {.answer = "http://d/\n2.53\nnote\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = false,
         .bAccess = false,
         .url = "http://d/",
         .shown = "バージョンアップの必要はありません。",
         .iBlocks = 5},
        {.answer = "http://d/\n2.52\nA\n<b>B</b>\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = true,
         .bAccess = true,
         .url = "http://d/",
         .shown = "<div style=\"margin-left: 10px;\"><b>B</b></div>",
         .iBlocks = 5},
        {.answer = "http://d/\n2.60\n\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = true,
         .bAccess = true,
         .url = "http://d/",
         .shown = "最新のバージョン：2.60",
         .iBlocks = 4},
        {.answer = "http://d/\n2.53\nnote",
         .bFailedLoad = true,
         .bError = true,
         .bOther = false,
         .bAccess = false,
         .url = "",
         .shown = "最新バージョンのチェックができませんでした。",
         .iBlocks = 4},
        // The download button opens web pages only.
        {.answer = "file:///etc/passwd\n2.52\n\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = true,
         .bAccess = false,
         .url = "",
         .shown = "最新のバージョン：2.52",
         .iBlocks = 4},
        {.answer = "javascript:alert(1)\n2.52\n\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = true,
         .bAccess = false,
         .url = "",
         .shown = "最新のバージョン：2.52",
         .iBlocks = 4},
        {.answer = "ftp://d/\n2.52\n\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = true,
         .bAccess = false,
         .url = "",
         .shown = "最新のバージョン：2.52",
         .iBlocks = 4},
        {.answer = "HTTPS://D/\n2.52\n\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = true,
         .bAccess = true,
         .url = "HTTPS://D/",
         .shown = "最新のバージョン：2.52",
         .iBlocks = 4},
        {.answer = "file:///etc/passwd\n2.53\n\n",
         .bFailedLoad = false,
         .bError = false,
         .bOther = false,
         .bAccess = false,
         .url = "",
         .shown = "最新のバージョンを使用中です。",
         .iBlocks = 5},
    };
    for (const auto& c : cases) {
        const TVersionCheckResult r =
            VersionCheckEvaluate(QStringLiteral("2.53"), QString::fromUtf8(c.answer), c.bFailedLoad);
        SCOPED_TRACE(c.answer);
        EXPECT_EQ(r.bError, c.bError);
        EXPECT_EQ(r.bOtherVersion, c.bOther);
        EXPECT_EQ(r.bAccessEnabled, c.bAccess);
        EXPECT_EQ(r.sURL, QString::fromUtf8(c.url));
        EXPECT_EQ(r.slBlocks.size(), c.iBlocks);
        EXPECT_TRUE(r.slBlocks.join(QString()).contains(QString::fromUtf8(c.shown)));
        EXPECT_TRUE(r.slBlocks.value(0).contains(QStringLiteral("現在のバージョン：2.53")));
    }
}

// A failed check sends the user to the download button only when the button can
// open the maker's home page: without a server it says to try again later.
TEST(VersionAnswer, AFailedCheckNamesTheButtonOnlyWhenItOpensAPage)
{
    const QString sButton = QStringLiteral("「ダウンロード ページへ」");
    const QString sLater = QStringLiteral("時間を置いてから再度試");
    qunsetenv("PARVANE_WEB_BASE");
    const TVersionCheckResult none = VersionCheckEvaluate(QStringLiteral("2.53"), QString(), true);
    EXPECT_FALSE(none.bAccessEnabled);
    EXPECT_FALSE(none.slBlocks.join(QString()).contains(sButton));
    EXPECT_TRUE(none.slBlocks.join(QString()).contains(sLater));
    EXPECT_TRUE(none.slBlocks.join(QString()).contains(QStringLiteral("最新のバージョン：不明")));

    qputenv("PARVANE_WEB_BASE", "http://h");
    const TVersionCheckResult served = VersionCheckEvaluate(QStringLiteral("2.53"), QString(), true);
    qunsetenv("PARVANE_WEB_BASE");
    EXPECT_TRUE(served.bAccessEnabled);
    EXPECT_EQ(served.sURL, QStringLiteral("http://h/"));
    EXPECT_TRUE(served.slBlocks.join(QString()).contains(sButton));
    EXPECT_EQ(served.slBlocks.size(), none.slBlocks.size());
}

TEST(VersionAnswer, StatusTextIsTheLocalTimeOfReceipt)
{
    EXPECT_EQ(UpdateStatusText(QDateTime(QDate(2011, 8, 29), QTime(9, 5, 9))),
              QStringLiteral("2011年08月29日 午前 9時05分09秒 受信"));
    EXPECT_EQ(UpdateStatusText(QDateTime(QDate(2011, 12, 1), QTime(0, 0, 0))),
              QStringLiteral("2011年12月01日 午前 12時00分00秒 受信"));
    EXPECT_EQ(UpdateStatusText(QDateTime(QDate(2011, 12, 1), QTime(13, 40, 59))),
              QStringLiteral("2011年12月01日 午後 1時40分59秒 受信"));
}

// A navigation of the main frame as the browser asks about it.
TWebNavigation Navigation(const QString& sURL, bool bUserStarted = false, const QString& sRedirectFrom = {})
{
    return {QUrl(sURL), true, QUrl(sRedirectFrom), bUserStarted};
}

TEST(GlobalChatNavigationFilter, EachAddressMeetsItsRule)
{
    using N = TGlobalChatNavigation;
    const char* lobby = "http://h/application/parvane2/globalchat/lobby.php";
    const struct {
        const char* url;
        bool bMainFrame;
        bool bUserStarted;
        const char* redirectFrom;
        bool bBrowser;
        N expected;
    } cases[] = {
        {"about:blank", true, false, "", false, N::Proceed},
        {"http://h/end.html", true, false, "", false, N::Release},
        {"http://h/end.html?x", false, false, "", false, N::Release},
        {"http://h/application/parvane2/globalchat/lobby.php", true, false, "", false, N::Proceed},
        {"http://h/application/parvane2/globalchat/login.php?a=1", true, false, "", false, N::Proceed},
        {"http://h/application/parvane2/globalchat/logout.php", true, false, "", false, N::Proceed},
        {"http://ad.h/banner", true, false, "", false, N::Proceed},
        {"https://x.example/?ads.h", true, false, "", false, N::Proceed},
        {"http://other.example/frame", false, false, "", false, N::Proceed},
        // Only the user leaves the chat; a page that goes elsewhere by itself stays.
        {"http://other.example/", true, true, "", false, N::BecomeBrowser},
        {"http://other.example/", true, false, "", false, N::Cancel},
        {"http://h/application/parvane2/request/", true, true, "", false, N::BecomeBrowser},
        {"http://h/application/parvane2/request/", true, false, "", false, N::Cancel},
        // A redirect of a chat page is its answer; one of a link the user followed leaves.
        {"http://h/maintenance.html", true, false, lobby, false, N::Proceed},
        {"http://portal.example/", true, true, lobby, false, N::Proceed},
        {"http://advertiser.example/", true, true, "http://ad.h/click", false, N::BecomeBrowser},
        {"http://advertiser.example/", true, false, "http://ad.h/click", false, N::Cancel},
        // A page that contains a chat page's address is not that page.
        {"http://other.example/?http://h/application/parvane2/globalchat/lobby.php", true, false, "", false,
         N::Cancel},
        {"http://h/application/parvane2/globalchat/lobby.php", true, false, "", true, N::Cancel},
        {"http://h/application/parvane2/globalchat/logout.php", false, false, "", true, N::Cancel},
        {"http://other.example/", true, false, "", true, N::Proceed},
        {"http://h/end.html", true, false, "", true, N::Proceed},
        {"about:blank", true, false, "", true, N::Proceed},
    };
    for (const auto& c : cases) {
        TWebNavigation navigation =
            Navigation(QString::fromUtf8(c.url), c.bUserStarted, QString::fromUtf8(c.redirectFrom));
        navigation.bMainFrame = c.bMainFrame;
        EXPECT_EQ(GlobalChatNavigation(kPages, navigation, c.bBrowser), c.expected)
            << c.url << (c.bBrowser ? " in a browser window" : " in the chat")
            << (c.bMainFrame ? "" : ", frame") << (c.bUserStarted ? ", by the user" : "") << " from "
            << c.redirectFrom;
    }
}

TEST(GlobalChatNavigationFilter, WithoutServerNoAddressCountsAsAChatPage)
{
    const TGlobalChatPages none;
    EXPECT_EQ(GlobalChatNavigation(none, Navigation(QStringLiteral("http://any.example/"), true), false),
              TGlobalChatNavigation::BecomeBrowser);
    EXPECT_EQ(GlobalChatNavigation(none, Navigation(QStringLiteral("http://any.example/")), true),
              TGlobalChatNavigation::Proceed);
}

// The browser writes every address in its own form; a base address written
// otherwise still names the same pages.
TEST(GlobalChatNavigationFilter, ChatPagesOfEveryBaseAddressStayInTheChat)
{
    using N = TGlobalChatNavigation;
    const struct {
        const char* base;
        const char* browserBase; // the same server as the browser writes it
    } bases[] = {
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},  {"http://127.0.0.1:80", "http://127.0.0.1"},
        {"https://example.org:443/", "https://example.org"}, {"HTTP://Example.ORG", "http://example.org"},
        {"http://example.org/x/..", "http://example.org"},
    };
    for (const auto& b : bases) {
        SCOPED_TRACE(b.base);
        qputenv("PARVANE_WEB_BASE", b.base);
        const TGlobalChatPages pages = GlobalChatPages();
        const QString sServer = QString::fromUtf8(b.browserBase);
        for (const QString& sPath : {WebServer::LoginPath, WebServer::LobbyPath, WebServer::LogoutPath}) {
            EXPECT_EQ(GlobalChatNavigation(pages, Navigation(sServer + sPath), false), N::Proceed)
                << qPrintable(sPath);
            EXPECT_EQ(
                GlobalChatNavigation(pages, Navigation(sServer + sPath + QStringLiteral("?a=1")), false),
                N::Proceed)
                << qPrintable(sPath);
            EXPECT_EQ(GlobalChatNavigation(pages, Navigation(sServer + sPath), true), N::Cancel)
                << qPrintable(sPath);
            // What a chat page redirects to stays in the chat.
            EXPECT_EQ(
                GlobalChatNavigation(
                    pages, Navigation(sServer + QStringLiteral("/m.html"), true, sServer + sPath), false),
                N::Proceed)
                << qPrintable(sPath);
        }
        EXPECT_EQ(GlobalChatNavigation(pages, Navigation(sServer + WebServer::SentinelPath), false),
                  N::Release);
        // Another page of the same server is not the chat's.
        EXPECT_EQ(GlobalChatNavigation(pages, Navigation(sServer + WebServer::RequestPath, true), false),
                  N::BecomeBrowser);
        EXPECT_EQ(GlobalChatNavigation(pages, Navigation(sServer + WebServer::RequestPath), true),
                  N::Proceed);
    }
    qunsetenv("PARVANE_WEB_BASE");
}

TEST(GlobalChatLobby, PostBodyIsTheDateOnly)
{
    EXPECT_EQ(GlobalChatLobbyPostData(QDate(2011, 8, 9)), QStringLiteral("adsence=20110809"));
}

TEST(VersionWindowPlacement, EachMainWindowPlaceGivesItsPosition)
{
    const QRect monitor(0, 0, 1000, 800);
    const QRect work(0, 0, 1000, 760);
    const QSize size(313, 131);
    const struct {
        QRect main;
        bool bVisible;
        QPoint expected;
    } cases[] = {
        {{100, 100, 400, 300}, true, {100 + (400 - 313) / 2, 100 + (300 - 131) / 2}},
        {{101, 100, 400, 300}, true, {101 + 43, 184}},
        {{-350, 100, 400, 300}, true, {0, 184}},
        {{100, -250, 400, 300}, true, {143, 0}},
        {{800, 100, 400, 300}, true, {1000 - 313, 184}},
        {{100, 700, 400, 300}, true, {143, 760 - 131}},
        {{-350, 100, 400, 300}, false, {(1000 - 313) / 2, (800 - 131) / 2}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VersionFormPlacement(size, c.main, c.bVisible, monitor, work), c.expected)
            << c.main.x() << "," << c.main.y() << (c.bVisible ? "" : " hidden");
}

TEST(VersionWindowPlacement, SecondMonitorBoundsTheWindow)
{
    const QRect monitor(1000, 0, 800, 600);
    EXPECT_EQ(VersionFormPlacement(QSize(300, 100), QRect(900, 50, 200, 200), true, monitor, monitor),
              QPoint(1000, 100));
    EXPECT_EQ(VersionFormPlacement(QSize(300, 100), QRect(900, 50, 200, 200), false, monitor, monitor),
              QPoint(1250, 250));
}

TEST(WebServerAddress, NothingWithoutBaseAndPathsAfterIt)
{
    qunsetenv("PARVANE_WEB_BASE");
    if (!WebServer::Base().isEmpty())
        GTEST_SKIP() << "this build names a server";
    EXPECT_TRUE(WebServer::Address(WebServer::VersionPath).isEmpty());
    EXPECT_TRUE(WebServer::HomePage().isEmpty());
    EXPECT_TRUE(WebServer::AdvertisingHosts().isEmpty());
    qputenv("PARVANE_WEB_BASE", "http://127.0.0.1:8080/");
    EXPECT_EQ(WebServer::Address(WebServer::VersionPath),
              QStringLiteral("http://127.0.0.1:8080/application/parvane2/version.php"));
    EXPECT_EQ(WebServer::HomePage(), QStringLiteral("http://127.0.0.1:8080/"));
    qunsetenv("PARVANE_WEB_BASE");
}

// ---- The windows in a real browser

class WebWindowsTest : public TestSupport::WindowTestOn<TestSupport::LanSuite<1>> {
protected:
    void SetUp() override
    {
        WindowTestOn::SetUp();
        if (HasFatalFailure())
            return;
        // The browser's threads and processes start from here, so they live in the LAN host too.
        ASSERT_TRUE(EnterHost(0));
        FServer = std::make_unique<WebTestServer>();
        ASSERT_TRUE(FServer->IsListening());
        FOther = std::make_unique<WebTestServer>();
        ASSERT_TRUE(FOther->IsListening());
        FOther->SetPage("/elsewhere.html", WebTestServer::Html("<html><body>elsewhere</body></html>"));
        FOther->SetPage("/popup.html", WebTestServer::Html("<html><body>popup</body></html>"));
        qputenv("PARVANE_WEB_BASE", FServer->Base().toUtf8());
        FDesktop = std::make_unique<DesktopCatcher>();
    }

    void TearDown() override
    {
        for (TGlobalChatForm* form : ChatWindows())
            delete form;
        FDesktop.reset();
        qunsetenv("PARVANE_WEB_BASE");
        FServer.reset();
        FOther.reset();
        WindowTestOn::TearDown();
    }

    // Every web chat window there is, chat or browser.
    static QList<TGlobalChatForm*> ChatWindows()
    {
        QList<TGlobalChatForm*> forms;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TGlobalChatForm*>(widget))
                forms.append(form);
        return forms;
    }

    // The lobby has been asked for and shown, and has had time for what its scripts do.
    bool LobbyShown(TGlobalChatForm* form)
    {
        const QByteArray lobby = WebServer::LobbyPath.toUtf8();
        if (!WaitFor([&] { return !FServer->RequestsFor(lobby).isEmpty(); }))
            return false;
        WaitFor([&] { return form == nullptr || form->edURL->text().contains(WebServer::LobbyPath); });
        return true;
    }

    int DefaultAnswer(const MessageBox::Request& request) const override
    {
        return request.iFlags & MessageBox::MB_YESNO ? FAnswer : MessageBox::IDOK;
    }

    void VersionPage(const QByteArray& body, int iStatus = 200)
    {
        FServer->SetPage(WebServer::VersionPath.toUtf8(), {iStatus, "text/plain; charset=utf-8", body});
    }

    QString LastCheck() const
    {
        return IniFile(ProgramDirectory + QStringLiteral("Parvane2.INI"))
            .ReadString(QStringLiteral("UpdateWindow"), QStringLiteral("LastCheck"), QString());
    }

    static QString Html(TWebBrowserSp* browser)
    {
        QString sHtml;
        bool bDone = false;
        browser->InnerHTML([&](const QString& s) {
            sHtml = s;
            bDone = true;
        });
        WaitFor([&] { return bDone; });
        return sHtml;
    }

    std::unique_ptr<WebTestServer> FServer;
    // Another site, for the pages that lead out of the server.
    std::unique_ptr<WebTestServer> FOther;
    std::unique_ptr<DesktopCatcher> FDesktop;
    int FAnswer = MessageBox::IDYES;
};

TEST_F(WebWindowsTest, VersionCheckShowsEachAnswerAndRecordsTheDay)
{
    const struct {
        QByteArray body;
        int iStatus;
        const char* shown;
        bool bAccess;
    } cases[] = {
        {"http://dl/\n2.53\nnote one\n", 200, "最新のバージョンを使用中です。", false},
        {"http://dl/\n2.52\nnote one\n", 200, "以下の最新バージョンをダウンロードすることができます。", true},
        {"http://dl/\n2.53\n", 200, "最新バージョンのチェックができませんでした。", true},
        {"http://dl/\n2.53\nnote one\n", 500, "最新バージョンのチェックができませんでした。", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.constData());
        SCOPED_TRACE(c.iStatus);
        QFile::remove(ProgramDirectory + QStringLiteral("Parvane2.INI"));
        VersionPage(c.body, c.iStatus);
        UpdateFormShow();
        ASSERT_NE(UpdateForm, nullptr);
        ASSERT_TRUE(WaitFor([] { return UpdateForm->Checked(); }));
        ASSERT_TRUE(WaitFor([] { return UpdateForm->wbBrowser->Ready(); }));
        const QString sHtml = Html(UpdateForm->wbBrowser);
        EXPECT_TRUE(sHtml.contains(QString::fromUtf8(c.shown))) << qPrintable(sHtml);
        EXPECT_EQ(UpdateForm->btAccess->isEnabled(), c.bAccess);
        EXPECT_EQ(LastCheck(), LastCheckText(QDate::currentDate()));
        EXPECT_TRUE(UpdateForm->StatusText().endsWith(QStringLiteral(" 受信")));
        if (c.iStatus == 200 && !UpdateForm->CheckError())
            EXPECT_EQ(UpdateForm->AccessURL(), QStringLiteral("http://dl/"));
        else
            EXPECT_EQ(UpdateForm->AccessURL(), FServer->Base() + QStringLiteral("/"));
        if (c.iStatus == 200 && sHtml.contains(QStringLiteral("note one"))) {
            EXPECT_FALSE(UpdateForm->CheckError());
        }
        UpdateFormRelease();
        EXPECT_EQ(UpdateForm, nullptr);
    }
    EXPECT_EQ(FServer->RequestsFor(WebServer::VersionPath.toUtf8()).size(), 4);
}

TEST_F(WebWindowsTest, AutomaticCheckShowsOnlyAnotherVersion)
{
    const struct {
        QByteArray body;
        bool bShown;
    } cases[] = {{"http://dl/\n2.53\n\n", false}, {"http://dl/\n2.54\n\n", true}, {"x\n", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.constData());
        QFile::remove(ProgramDirectory + QStringLiteral("Parvane2.INI"));
        VersionPage(c.body);
        UpdateFormStartCheck();
        ASSERT_NE(UpdateForm, nullptr);
        EXPECT_FALSE(UpdateForm->isVisible());
        QPointer<TUpdateForm> form = UpdateForm;
        ASSERT_TRUE(WaitFor([&] { return !form || form->Checked(); }));
        if (c.bShown) {
            ASSERT_TRUE(form);
            EXPECT_TRUE(form->isVisible());
        } else {
            EXPECT_TRUE(WaitFor([&] { return form.isNull(); }));
            EXPECT_EQ(UpdateForm, nullptr);
        }
        EXPECT_EQ(LastCheck(), LastCheckText(QDate::currentDate()));
        UpdateFormRelease();
    }
}

// The browser engine's first load takes a second or more: the window the user asked
// for is painted before it starts, not after.
TEST_F(WebWindowsTest, TheVersionWindowIsPaintedBeforeItsBrowserStarts)
{
    // Only the first browser of a process loads the engine.
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcess());
        return;
    }
    ASSERT_FALSE(BrowserEngineLoaded());
    VersionPage("http://dl/\n2.53\n\n");
    // Whether the engine had been loaded when the window first painted.
    struct FirstPaint : QObject {
        std::optional<bool> bEngineLoaded;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && !bEngineLoaded && UpdateForm != nullptr &&
                (watched == UpdateForm || UpdateForm->isAncestorOf(qobject_cast<QWidget*>(watched))))
                bEngineLoaded = BrowserEngineLoaded();
            return false;
        }
    } firstPaint;
    qApp->installEventFilter(&firstPaint);
    UpdateFormShow();
    ASSERT_NE(UpdateForm, nullptr);
    EXPECT_TRUE(WaitFor([] { return UpdateForm->Checked(); }));
    qApp->removeEventFilter(&firstPaint);
    ASSERT_TRUE(firstPaint.bEngineLoaded.has_value()) << "the window never painted";
    EXPECT_FALSE(*firstPaint.bEngineLoaded);
    EXPECT_TRUE(BrowserEngineLoaded());
    EXPECT_FALSE(UpdateForm->CheckError());
    UpdateFormRelease();
}

TEST_F(WebWindowsTest, HelpCommandShowsTheHiddenCheckWhichThenStays)
{
    VersionPage("http://dl/\n2.53\n\n");
    UpdateFormStartCheck();
    ASSERT_NE(UpdateForm, nullptr);
    TUpdateForm* hidden = UpdateForm;
    UpdateFormShow();
    EXPECT_EQ(UpdateForm, hidden);
    EXPECT_TRUE(hidden->isVisible());
    ASSERT_TRUE(WaitFor([&] { return UpdateForm == nullptr || UpdateForm->Checked(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(UpdateForm, hidden);
    // Asked again while open, it only comes to the front: no second check.
    UpdateFormShow();
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(UpdateForm, hidden);
    EXPECT_EQ(FServer->RequestsFor(WebServer::VersionPath.toUtf8()).size(), 1);
    UpdateFormRelease();
}

TEST_F(WebWindowsTest, WebChatPostsTheDateAndEndsAtTheSentinel)
{
    FServer->SetPage(WebServer::LobbyPath.toUtf8(), {200, "text/html", "<html><body>lobby</body></html>"});
    const QByteArray sentinel = (FServer->Base() + WebServer::SentinelPath).toUtf8();
    FServer->SetPage(
        WebServer::LogoutPath.toUtf8(),
        {200, "text/html", "<html><body><script>location.href='" + sentinel + "';</script></body></html>"});
    GlobalChatFormShow();
    QPointer<TGlobalChatForm> form = GlobalChatForm;
    ASSERT_TRUE(form);
    ASSERT_TRUE(WaitFor([this] { return !FServer->RequestsFor(WebServer::LobbyPath.toUtf8()).isEmpty(); }));
    const WebTestServer::Request post = FServer->RequestsFor(WebServer::LobbyPath.toUtf8()).front();
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, GlobalChatLobbyPostData(QDate::currentDate()).toLatin1());
    EXPECT_EQ(post.contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(post.cacheControl, "no-cache");

    FAnswer = MessageBox::IDNO;
    form->btLogoutClick();
    EXPECT_TRUE(form);
    EXPECT_FALSE(form->tmRelease.isActive());
    FAnswer = MessageBox::IDYES;
    form->btLogoutClick();
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_EQ(FBoxes[1].sText, QStringLiteral("グローバル チャットからログアウトしますか？"));
    // The sentinel comes well before the time-out.
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); }, 5000));
    EXPECT_EQ(GlobalChatForm, nullptr);
    EXPECT_EQ(FServer->RequestsFor(WebServer::LogoutPath.toUtf8()).size(), 1);
    EXPECT_TRUE(FServer->RequestsFor(WebServer::SentinelPath.toUtf8()).isEmpty());
}

TEST_F(WebWindowsTest, WebChatLogoutTimesOutFromTheFirstYes)
{
    FServer->SetPage(WebServer::LobbyPath.toUtf8(), {200, "text/html", "<html><body>lobby</body></html>"});
    FServer->SetPage(WebServer::LogoutPath.toUtf8(), {200, "text/html", "<html><body>bye</body></html>"});
    GlobalChatFormShow();
    QPointer<TGlobalChatForm> form = GlobalChatForm;
    ASSERT_TRUE(WaitFor([this] { return !FServer->RequestsFor(WebServer::LobbyPath.toUtf8()).isEmpty(); }));
    QElapsedTimer sinceFirstYes;
    form->btLogoutClick();
    sinceFirstYes.start();
    ASSERT_TRUE(form->tmRelease.isActive());
    WaitFor([] { return false; }, 3000);
    ASSERT_TRUE(form);
    form->btLogoutClick();
    EXPECT_LE(form->tmRelease.remainingTime(), TGlobalChatForm::ReleaseTimeoutMs - 2500);
    ASSERT_TRUE(WaitFor([&] { return form.isNull(); }, 10000));
    EXPECT_LT(sinceFirstYes.elapsed(), TGlobalChatForm::ReleaseTimeoutMs + 1500);
    // A coarse timer may end up to a twentieth early; the time-out and nothing else closed it.
    EXPECT_GE(sinceFirstYes.elapsed(), TGlobalChatForm::ReleaseTimeoutMs * 9 / 10);
}

TEST_F(WebWindowsTest, WebChatLogoutEndsAtAnErrorAndAFailedLobbyShowsTheNotice)
{
    FServer->SetPage(WebServer::LobbyPath.toUtf8(), {200, "text/html", "<html><body>lobby</body></html>"});
    GlobalChatFormShow();
    QPointer<TGlobalChatForm> form = GlobalChatForm;
    ASSERT_TRUE(WaitFor([this] { return !FServer->RequestsFor(WebServer::LobbyPath.toUtf8()).isEmpty(); }));
    // The lobby has completed: an error of a load that replaced one still loading is not told apart.
    ASSERT_TRUE(WaitFor([&] { return form->edURL->text().endsWith(WebServer::LobbyPath); }));
    FServer->Close();
    QElapsedTimer sinceYes;
    form->btLogoutClick();
    sinceYes.start();
    ASSERT_TRUE(WaitFor([&] { return form.isNull(); }, 10000));
    EXPECT_LT(sinceYes.elapsed(), 5000);

    // A chat window whose lobby does not answer says so and closes without asking.
    GlobalChatFormShow();
    form = GlobalChatForm;
    ASSERT_TRUE(WaitFor([&] { return form->HasError(); }));
    EXPECT_EQ(form->btLogout->text(), QStringLiteral("閉じる"));
    EXPECT_TRUE(WaitFor(
        [&] { return Html(form->wbLog).contains(QStringLiteral("サーバーが応答しませんでした。")); }));
    const size_t iBoxes = FBoxes.size();
    form->btLogoutClick();
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); }));
    EXPECT_EQ(FBoxes.size(), iBoxes);
}

TEST_F(WebWindowsTest, LinkOutOfTheChatTurnsTheWindowIntoABrowserAndANewChatLogsIn)
{
    const QByteArray lobby = WebServer::LobbyPath.toUtf8();
    // Two links over the whole page: out of the chat, and into a window of its own.
    FServer->SetPage(lobby,
                     WebTestServer::Html(
                         "<body style=\"margin: 0\"><a href=\"" + FOther->Base().toUtf8() +
                         "/elsewhere.html\" style=\"display: block; height: 100px\">out</a>"
                         "<a href=\"" +
                         FOther->Base().toUtf8() +
                         "/popup.html\" target=\"_blank\" style=\"display: block; height: 100px\">popup</a>"
                         "</body>"));
    GlobalChatFormShow();
    QPointer<TGlobalChatForm> first = GlobalChatForm;
    // The lobby has completed: the engine does not report a load begun before the last one's end.
    ASSERT_TRUE(WaitFor([&] { return first->edURL->text().endsWith(WebServer::LobbyPath); }));
    first->resize(530, 390);
    first->move(20, 30);
    const QSize chatSize = first->size();
    WaitFor([] { return false; }, 500);

    ASSERT_TRUE(TestSupport::PageClick(first->wbLog, QPoint(50, 50)));
    ASSERT_TRUE(WaitFor([&] { return GlobalChatForm != first && GlobalChatForm != nullptr; }));
    QPointer<TGlobalChatForm> second = GlobalChatForm;
    EXPECT_TRUE(first->IsBrowser());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("ブラウザ - Parvane 2"));
    // With nothing stored, a browser window opens at the design size, centred on the primary screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(first->size(), QSize(516, 384));
    EXPECT_EQ(first->pos(), QPoint((screen.width() - 516) / 2, (screen.height() - 384) / 2));
    EXPECT_TRUE(first->edURL->isVisibleTo(first));
    EXPECT_FALSE(first->pnFooter->isVisibleTo(first));
    ASSERT_TRUE(WaitFor([&] { return Html(first->wbLog).contains(QStringLiteral("elsewhere")); }));
    // The address box follows each completed page; the page may show before it completes.
    EXPECT_TRUE(
        WaitFor([&] { return first->edURL->text() == FOther->Base() + QStringLiteral("/elsewhere.html"); }));
    // The new chat window took the old one's place and size from its section and logs in by itself.
    EXPECT_EQ(second->size(), chatSize);
    EXPECT_EQ(second->pos(), QPoint(20, 30));
    ASSERT_TRUE(WaitFor([&] { return FServer->RequestsFor(lobby).size() == 2; }));
    // One click, one window: the new chat window stays a chat window.
    ASSERT_TRUE(WaitFor([&] { return second->edURL->text().endsWith(WebServer::LobbyPath); }));
    WaitFor([] { return false; }, 1000);
    EXPECT_EQ(ChatWindows().size(), 2);
    EXPECT_FALSE(second->IsBrowser());

    // A click on a link into a window of its own hands that page to the desktop, once.
    ASSERT_TRUE(TestSupport::PageClick(second->wbLog, QPoint(50, 150)));
    EXPECT_TRUE(WaitFor([&] { return !FDesktop->Opened.isEmpty(); }));
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(FDesktop->Opened, QList<QUrl>{QUrl(FOther->Base() + QStringLiteral("/popup.html"))});
    EXPECT_EQ(ChatWindows().size(), 2);
    // A second later the chat posts to the lobby again.
    EXPECT_TRUE(WaitFor([&] { return FServer->RequestsFor(lobby).size() == 3; }));

    // The browser window does not go back into the chat.
    const qsizetype iLobbies = FServer->RequestsFor(lobby).size();
    first->wbLog->Navigate(FServer->Base() + WebServer::LobbyPath);
    WaitFor([] { return false; }, 800);
    EXPECT_EQ(FServer->RequestsFor(lobby).size(), iLobbies);

    // The main window's close releases the browser window too, which keeps its place.
    first->move(40, 50);
    // The section holds the frame's size, as every window's does.
    const int iFrameWidth = first->frameGeometry().width();
    ASSERT_GE(iFrameWidth, 516);
    const size_t iBoxes = FBoxes.size();
    TProgramWindowUnits().SingleWindowsRelease();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(GlobalChatForm, nullptr);
    EXPECT_EQ(FBoxes.size(), iBoxes);
    const IniFile ini(ProgramDirectory + QStringLiteral("Parvane2.INI"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("BrowserWindow"), QStringLiteral("Left"), 0), 40);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("BrowserWindow"), QStringLiteral("Top"), 0), 50);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("BrowserWindow"), QStringLiteral("Width"), 0), iFrameWidth);
}

TEST_F(WebWindowsTest, RequestPageLoadsPastTheCacheAtEachCreation)
{
    FServer->SetPage(WebServer::RequestPath.toUtf8(),
                     {200, "text/html", "<html><body>request form</body></html>"});
    for (int i = 1; i <= 2; ++i) {
        RequestFormShow();
        TRequestForm* first = RequestForm;
        RequestFormShow();
        EXPECT_EQ(RequestForm, first);
        ASSERT_TRUE(
            WaitFor([&] { return FServer->RequestsFor(WebServer::RequestPath.toUtf8()).size() == i; }));
        EXPECT_EQ(FServer->RequestsFor(WebServer::RequestPath.toUtf8()).back().cacheControl, "no-cache");
        ASSERT_TRUE(
            WaitFor([] { return Html(RequestForm->wbBrowser).contains(QStringLiteral("request form")); }));
        RequestFormRelease();
    }
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(FServer->RequestsFor(WebServer::RequestPath.toUtf8()).size(), 2);
}

// A lobby that sends the window elsewhere by itself, or opens windows by itself,
// leaves one chat window and nothing for the desktop, whatever the base address.
TEST_F(WebWindowsTest, ALobbyThatLeavesByItselfOpensNoWindow)
{
    const QByteArray other = FOther->Base().toUtf8();
    const struct {
        const char* name;
        WebTestServer::Page lobby;
        const char* base; // %1: the server's port; empty: the server's own base
        bool bPort80;     // the server listens on port 80 for this case
    } cases[] = {
        {"redirect to a page of the server", WebTestServer::Redirect("/maintenance.html"), "", false},
        {"redirect to another site", WebTestServer::Redirect(other + "/elsewhere.html"), "", false},
        {"script at once",
         WebTestServer::Html("<script>location.href='" + other + "/elsewhere.html';</script>"), "", false},
        {"script on a timer",
         WebTestServer::Html("<body>lobby<script>setTimeout(function(){location.href='" + other +
                             "/elsewhere.html';}, 300);</script></body>"),
         "", false},
        {"window at once", WebTestServer::Html("<script>window.open('" + other + "/popup.html');</script>"),
         "", false},
        {"windows on a timer",
         WebTestServer::Html("<body>lobby<script>setInterval(function(){window.open('" + other +
                             "/popup.html');}, 200);</script></body>"),
         "", false},
        {"upper-case host", WebTestServer::Html("<body>lobby</body>"), "http://LOCALHOST:%1", false},
        {"explicit default port", WebTestServer::Html("<body>lobby</body>"), "http://127.0.0.1:80", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<WebTestServer> port80;
        WebTestServer* server = FServer.get();
        if (c.bPort80) {
            port80 = std::make_unique<WebTestServer>(80);
            ASSERT_TRUE(port80->IsListening());
            server = port80.get();
        }
        server->SetPage(WebServer::LobbyPath.toUtf8(), c.lobby);
        server->SetPage("/maintenance.html", WebTestServer::Html("<body>maintenance</body>"));
        const QString sBase = QString::fromUtf8(c.base).arg(server->Base().section(u':', -1));
        qputenv("PARVANE_WEB_BASE", (sBase.isEmpty() ? server->Base() : sBase).toUtf8());
        const qsizetype iLobbyBefore = server->RequestsFor(WebServer::LobbyPath.toUtf8()).size();

        GlobalChatFormShow();
        QPointer<TGlobalChatForm> form = GlobalChatForm;
        ASSERT_TRUE(WaitFor(
            [&] { return server->RequestsFor(WebServer::LobbyPath.toUtf8()).size() > iLobbyBefore; }));
        WaitFor([] { return false; }, 3000);
        EXPECT_EQ(ChatWindows().size(), 1);
        ASSERT_TRUE(form);
        EXPECT_FALSE(form->IsBrowser());
        EXPECT_EQ(GlobalChatForm, form);
        EXPECT_TRUE(FDesktop->Opened.isEmpty()) << qPrintable(FDesktop->Opened.value(0).toString());
        EXPECT_EQ(server->RequestsFor(WebServer::LobbyPath.toUtf8()).size(), iLobbyBefore + 1);

        for (TGlobalChatForm* left : ChatWindows())
            delete left;
        FDesktop->Opened.clear();
        qputenv("PARVANE_WEB_BASE", FServer->Base().toUtf8());
    }
}

// The check ends with its result however the server gets the page to the browser,
// and nothing a version page does by itself reaches the desktop.
TEST_F(WebWindowsTest, VersionCheckEndsForEveryWayToThePage)
{
    const QByteArray answer = "http://dl/\n2.53\nnote\n";
    const struct {
        const char* name;
        WebTestServer::Page version;
        bool bPort80;
    } cases[] = {
        {"redirect", WebTestServer::Redirect("/v2.txt"), false},
        {"explicit default port", {200, "text/plain; charset=utf-8", answer}, true},
        {"window at once",
         WebTestServer::Html("http://dl/<br>2.53<br>note<script>window.open('" + FOther->Base().toUtf8() +
                             "/popup.html');</script>"),
         false},
        {"script on a timer",
         WebTestServer::Html("http://dl/<br>2.53<br>note<script>setTimeout(function(){location.href='" +
                             FOther->Base().toUtf8() + "/elsewhere.html';}, 200);</script>"),
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(ProgramDirectory + QStringLiteral("Parvane2.INI"));
        std::unique_ptr<WebTestServer> port80;
        WebTestServer* server = FServer.get();
        if (c.bPort80) {
            port80 = std::make_unique<WebTestServer>(80);
            ASSERT_TRUE(port80->IsListening());
            server = port80.get();
            qputenv("PARVANE_WEB_BASE", "http://127.0.0.1:80");
        }
        server->SetPage(WebServer::VersionPath.toUtf8(), c.version);
        server->SetPage("/v2.txt", {200, "text/plain; charset=utf-8", answer});

        UpdateFormShow();
        QPointer<TUpdateForm> form = UpdateForm;
        ASSERT_TRUE(form);
        EXPECT_TRUE(WaitFor([&] { return form->Checked(); }));
        EXPECT_FALSE(form->CheckError());
        EXPECT_TRUE(WaitFor([&] {
            return Html(form->wbBrowser).contains(QStringLiteral("最新のバージョンを使用中です。"));
        }));
        EXPECT_EQ(LastCheck(), LastCheckText(QDate::currentDate()));
        WaitFor([] { return false; }, 1000);
        EXPECT_TRUE(Html(form->wbBrowser).contains(QStringLiteral("最新のバージョンを使用中です。")));
        EXPECT_TRUE(FDesktop->Opened.isEmpty()) << qPrintable(FDesktop->Opened.value(0).toString());
        UpdateFormRelease();
        FDesktop->Opened.clear();
        qputenv("PARVANE_WEB_BASE", FServer->Base().toUtf8());
    }
}

// A program whose browser module is missing says so in the page's place, and the
// check ends with its failure.
TEST_F(WebWindowsTest, WithoutTheBrowserModuleTheViewSaysSoAndTheCheckFails)
{
    const QTemporaryDir noModule;
    struct Restore {
        ~Restore() { BrowserEngineSetModuleFolders({}); }
    } restore;
    BrowserEngineSetModuleFolders({noModule.path()});
    VersionPage("http://dl/\n2.54\n\n");

    UpdateFormStartCheck();
    QPointer<TUpdateForm> form = UpdateForm;
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->wbBrowser->EngineMissing());
    QStringList slShown;
    for (const QLabel* label : form->wbBrowser->findChildren<QLabel*>())
        slShown << label->text();
    EXPECT_EQ(slShown, QStringList{QStringLiteral("ブラウザ エンジンを読み込むことができませんでした。")});
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); }));
    EXPECT_EQ(LastCheck(), LastCheckText(QDate::currentDate()));

    UpdateFormShow();
    form = UpdateForm;
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitFor([&] { return form->Checked(); }));
    EXPECT_TRUE(form->CheckError());
    EXPECT_TRUE(form->btAccess->isEnabled());
    EXPECT_EQ(form->AccessURL(), FServer->Base() + QStringLiteral("/"));
    UpdateFormRelease();
    EXPECT_TRUE(FServer->RequestsFor(WebServer::VersionPath.toUtf8()).isEmpty());
}

// A server that takes the request and never answers: the hidden check still ends,
// as a failed one, and the day is recorded.
TEST_F(WebWindowsTest, VersionCheckOfAServerThatNeverAnswersEndsInFailure)
{
    FServer->SetPage(WebServer::VersionPath.toUtf8(), {200, "text/plain", {}, {}, true});
    UpdateFormStartCheck();
    QPointer<TUpdateForm> form = UpdateForm;
    ASSERT_TRUE(form);
    ASSERT_TRUE(WaitFor([this] { return !FServer->RequestsFor(WebServer::VersionPath.toUtf8()).isEmpty(); }));
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); }, 60000));
    EXPECT_EQ(UpdateForm, nullptr);
    EXPECT_EQ(LastCheck(), LastCheckText(QDate::currentDate()));
}

// The time-out ends the log-out even while a second question is open: the
// question goes with the window.
TEST_F(WebWindowsTest, WebChatLogoutQuestionEndsAtTheTimeOut)
{
    FServer->SetPage(WebServer::LobbyPath.toUtf8(), WebTestServer::Html("<body>lobby</body>"));
    FServer->SetPage(WebServer::LogoutPath.toUtf8(), WebTestServer::Html("<body>bye</body>"));
    GlobalChatFormShow();
    QPointer<TGlobalChatForm> form = GlobalChatForm;
    ASSERT_TRUE(LobbyShown(form));
    form->btLogoutClick();
    ASSERT_TRUE(form->tmRelease.isActive());

    // The second question is a real box; should it outlive the time-out, a user answers it much later.
    MessageBox::SetAnswerer({});
    bool bAnsweredLate = false;
    QTimer late;
    late.setSingleShot(true);
    late.setInterval(TGlobalChatForm::ReleaseTimeoutMs + 5000);
    QObject::connect(&late, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            bAnsweredLate = true;
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::YesRole)
                    button->click();
        }
    });
    late.start();
    bool bBoxShown = false;
    QTimer::singleShot(500,
                       [&] { bBoxShown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); });
    form->btLogoutClick();
    EXPECT_TRUE(bBoxShown);
    EXPECT_FALSE(bAnsweredLate);
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); }, 3000));
    EXPECT_EQ(GlobalChatForm, nullptr);
    late.stop();
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        box->reject();
}

} // namespace

#include "WebWindowsTest.moc"
