// The web windows: their rules as plain functions, and a few runs of the real
// browser against a server inside the test, in a host of the test LAN, so that
// nothing the browser sends can leave it.
#include "DonationUnit.h"
#include "GlobalChatUnit.h"
#include "IniFile.h"
#include "LanSuite.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "RequestUnit.h"
#include "TestLan.h"
#include "UpdateUnit.h"
#include "VersionUnit.h"
#include "WaitUntil.h"
#include "WebBrowserSp.h"
#include "WebServer.h"
#include "WebTestServer.h"
#include "WindowTest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        {"http://d/\n2.53\n", false, true, false, false, "", "最新のバージョン：不明", 4},
        {"http://d/\n2.53\nnote", false, false, false, false, "http://d/", "最新のバージョンを使用中です。",
         5},
        {"http://d/\n2.53\nnote\n", false, false, false, false, "http://d/",
         "バージョンアップの必要はありません。", 5},
        {"http://d/\n2.52\nA\n<b>B</b>\n", false, false, true, true, "http://d/",
         "<div style=\"margin-left: 10px;\"><b>B</b></div>", 5},
        {"http://d/\n2.60\n\n", false, false, true, true, "http://d/", "最新のバージョン：2.60", 4},
        {"http://d/\n2.53\nnote", true, true, false, false, "",
         "最新バージョンのチェックができませんでした。", 4},
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

TEST(VersionAnswer, StatusTextIsTheLocalTimeOfReceipt)
{
    EXPECT_EQ(UpdateStatusText(QDateTime(QDate(2011, 8, 29), QTime(9, 5, 9))),
              QStringLiteral("2011年08月29日 午前 9時05分09秒 受信"));
    EXPECT_EQ(UpdateStatusText(QDateTime(QDate(2011, 12, 1), QTime(0, 0, 0))),
              QStringLiteral("2011年12月01日 午前 12時00分00秒 受信"));
    EXPECT_EQ(UpdateStatusText(QDateTime(QDate(2011, 12, 1), QTime(13, 40, 59))),
              QStringLiteral("2011年12月01日 午後 1時40分59秒 受信"));
}

TEST(GlobalChatNavigationFilter, EachAddressMeetsItsRule)
{
    using N = TGlobalChatNavigation;
    const struct {
        const char* url;
        bool bMainFrame;
        bool bBrowser;
        N expected;
    } cases[] = {
        {"about:blank", true, false, N::Proceed},
        {"http://h/end.html", true, false, N::Release},
        {"http://h/end.html?x", false, false, N::Release},
        {"http://h/application/parvane2/globalchat/lobby.php", true, false, N::Proceed},
        {"http://h/application/parvane2/globalchat/login.php?a=1", true, false, N::Proceed},
        {"http://h/application/parvane2/globalchat/logout.php", true, false, N::Proceed},
        {"http://ad.h/banner", true, false, N::Proceed},
        {"https://x.example/?ads.h", true, false, N::Proceed},
        {"http://other.example/frame", false, false, N::Proceed},
        {"http://other.example/", true, false, N::BecomeBrowser},
        {"http://h/application/parvane2/request/", true, false, N::BecomeBrowser},
        {"http://h/application/parvane2/globalchat/lobby.php", true, true, N::Cancel},
        {"http://h/application/parvane2/globalchat/logout.php", false, true, N::Cancel},
        {"http://other.example/", true, true, N::Proceed},
        {"http://h/end.html", true, true, N::Proceed},
        {"about:blank", true, true, N::Proceed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GlobalChatNavigation(kPages, QString::fromUtf8(c.url), c.bMainFrame, c.bBrowser),
                  c.expected)
            << c.url << (c.bBrowser ? " in a browser window" : " in the chat")
            << (c.bMainFrame ? "" : ", frame");
}

TEST(GlobalChatNavigationFilter, WithoutServerNoAddressCountsAsAChatPage)
{
    const TGlobalChatPages none;
    EXPECT_EQ(GlobalChatNavigation(none, QStringLiteral("http://any.example/"), true, false),
              TGlobalChatNavigation::BecomeBrowser);
    EXPECT_EQ(GlobalChatNavigation(none, QStringLiteral("http://any.example/"), true, true),
              TGlobalChatNavigation::Proceed);
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
        qputenv("PARVANE_WEB_BASE", FServer->Base().toUtf8());
    }

    void TearDown() override
    {
        qunsetenv("PARVANE_WEB_BASE");
        FServer.reset();
        WindowTestOn::TearDown();
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
    {
        IniFile ini(ProgramDirectory + QStringLiteral("Parvane2.INI"));
        ASSERT_TRUE(ini.WriteInteger(QStringLiteral("BrowserWindow"), QStringLiteral("Width"), 600));
        ASSERT_TRUE(ini.WriteInteger(QStringLiteral("BrowserWindow"), QStringLiteral("Height"), 420));
    }
    const QByteArray lobby = WebServer::LobbyPath.toUtf8();
    FServer->SetPage(lobby, {200, "text/html", "<html><body>lobby</body></html>"});
    FServer->SetPage("/elsewhere.html", {200, "text/html", "<html><body>elsewhere</body></html>"});
    GlobalChatFormShow();
    QPointer<TGlobalChatForm> first = GlobalChatForm;
    // The lobby has completed: the engine does not report a load begun before the last one's end.
    ASSERT_TRUE(WaitFor([&] { return first->edURL->text().endsWith(WebServer::LobbyPath); }));
    first->resize(530, 390);
    const QSize chatSize = first->size();

    first->wbLog->Navigate(FServer->Base() + QStringLiteral("/elsewhere.html"));
    ASSERT_TRUE(WaitFor([&] { return GlobalChatForm != first && GlobalChatForm != nullptr; }));
    EXPECT_TRUE(first->IsBrowser());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("ブラウザ - Parvane 2"));
    EXPECT_EQ(first->frameGeometry().size(), QSize(600, 420));
    EXPECT_TRUE(first->edURL->isVisibleTo(first));
    EXPECT_FALSE(first->pnFooter->isVisibleTo(first));
    ASSERT_TRUE(WaitFor([&] { return Html(first->wbLog).contains(QStringLiteral("elsewhere")); }));
    // The address box follows each completed page; the page may show before it completes.
    EXPECT_TRUE(
        WaitFor([&] { return first->edURL->text() == FServer->Base() + QStringLiteral("/elsewhere.html"); }));
    // The new chat window took the old one's size from its section and logs in by itself.
    EXPECT_EQ(GlobalChatForm->size(), chatSize);
    ASSERT_TRUE(WaitFor([&] { return FServer->RequestsFor(lobby).size() == 2; }));

    // The browser window does not go back into the chat.
    first->wbLog->Navigate(FServer->Base() + WebServer::LobbyPath);
    WaitFor([] { return false; }, 800);
    EXPECT_EQ(FServer->RequestsFor(lobby).size(), 2);
    const size_t iBoxes = FBoxes.size();
    first->close();
    EXPECT_TRUE(WaitFor([&] { return first.isNull(); }));
    EXPECT_EQ(FBoxes.size(), iBoxes);
    EXPECT_NE(GlobalChatForm, nullptr);
    GlobalChatFormRelease();
    EXPECT_EQ(IniFile(ProgramDirectory + QStringLiteral("Parvane2.INI"))
                  .ReadInteger(QStringLiteral("BrowserWindow"), QStringLiteral("Width"), 0),
              600);
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

} // namespace
