// The browser host: its key filter and post encoding as plain functions, and the
// log pane and navigation guard in the real browser, inside a host of the test
// LAN so that nothing it might send leaves it.
#include "WebBrowserSp.h"

#include "BrowserEngine.h"
#include "LanSuite.h"
#include "PageClick.h"
#include "TestLan.h"
#include "WaitUntil.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

// A page may take its time: the browser starts its processes on the first.
bool WaitFor(const std::function<bool()>& condition, int iTimeoutMs = 15000)
{
    return TestSupport::WaitUntil(condition, iTimeoutMs);
}

QString Read(TWebBrowserSp& browser, void (TWebBrowserSp::*reader)(std::function<void(const QString&)>))
{
    QString sText;
    bool bDone = false;
    (browser.*reader)([&](const QString& s) {
        sText = s;
        bDone = true;
    });
    EXPECT_TRUE(WaitFor([&] { return bDone; }));
    return sText;
}

TEST(WebBrowserSpKeys, BrowserKeysAreSwallowedAndTypingIsNot)
{
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool bSwallowed;
    } cases[] = {
        {Qt::Key_C, Qt::ControlModifier, false},
        {Qt::Key_V, Qt::ControlModifier, false},
        {Qt::Key_X, Qt::ControlModifier, false},
        {Qt::Key_A, Qt::ControlModifier, false},
        {Qt::Key_F, Qt::ControlModifier, true},
        {Qt::Key_P, Qt::ControlModifier, true},
        {Qt::Key_R, Qt::ControlModifier, true},
        {Qt::Key_N, Qt::ControlModifier, true},
        {Qt::Key_F5, Qt::NoModifier, true},
        {Qt::Key_F1, Qt::ControlModifier, true},
        {Qt::Key_F24, Qt::NoModifier, true},
        {Qt::Key_Left, Qt::AltModifier, true},
        {Qt::Key_Back, Qt::NoModifier, true},
        {Qt::Key_Backspace, Qt::NoModifier, false},
        {Qt::Key_A, Qt::NoModifier, false},
        {Qt::Key_Return, Qt::NoModifier, false},
        {Qt::Key_Tab, Qt::NoModifier, false},
        {Qt::Key_Left, Qt::NoModifier, false},
        {Qt::Key_Control, Qt::ControlModifier, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebBrowserKeySwallowed(c.key, c.modifiers), c.bSwallowed) << c.key << " " << c.modifiers;
}

TEST(WebBrowserSpPost, BodyIsOneBytePerCharacterAndHeadersEndProperly)
{
    EXPECT_EQ(NavigatePostBody(QStringLiteral("a=1&b=2")), QByteArray("a=1&b=2"));
    EXPECT_EQ(NavigatePostBody(QString(QChar(0xE9))), QByteArray("\xE9"));
    EXPECT_EQ(NavigatePostBody(QStringLiteral("a=あ")), std::nullopt);
    const auto headers = NavigatePostHeaders();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0].first, "Content-Type");
    EXPECT_EQ(headers[0].second, "application/x-www-form-urlencoded");
}

TEST(WebBrowserSpDesktop, OnlyWebPagesGoToTheDesktop)
{
    const struct {
        const char* url;
        bool bDesktop;
    } cases[] = {
        {"http://example.org/", true},
        {"https://example.org/a?b", true},
        {"HTTPS://Example.org/", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"ftp://example.org/", false},
        {"data:text/html,x", false},
        {"about:blank", false},
        {"http:///nohost", false},
        {"mailto:a@example.org", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebAddressForDesktop(QUrl(QString::fromUtf8(c.url))), c.bDesktop) << c.url;
}

class WebBrowserSpTest : public TestSupport::LanSuite<1> {
protected:
    void SetUp() override { ASSERT_TRUE(EnterHost(0)); }
};

TEST_F(WebBrowserSpTest, LogPaneKeepsTheNewestLinesAndCallsBeforeTheBlankPageWait)
{
    EXPECT_FALSE(BrowserEngineLoaded());
    TWebBrowserSp browser;
    ASSERT_FALSE(browser.EngineMissing());
    EXPECT_TRUE(BrowserEngineLoaded());
    // All of this is asked before the first blank page is there.
    EXPECT_FALSE(browser.Ready());
    browser.DocumentWrite(QStringLiteral("<html><body><p>written</p></body></html>"));
    browser.InnerHTMLAdd(QStringLiteral("<i>added</i>"));
    EXPECT_EQ(Read(browser, &TWebBrowserSp::InnerHTML), QStringLiteral("<p>written</p><i>added</i>"));
    EXPECT_TRUE(Read(browser, &TWebBrowserSp::BodyText).startsWith(QStringLiteral("written")));

    // A limit shows only the kept lines: the one added so far, not what was written.
    browser.SetLineLimit(250);
    EXPECT_EQ(Read(browser, &TWebBrowserSp::InnerHTML).remove(QLatin1Char('\r')),
              QStringLiteral("<i>added</i>\n"));
    for (int i = 1; i <= 300; ++i)
        browser.InnerHTMLAdd(QStringLiteral("<div>%1</div>").arg(i));
    QString sExpected;
    for (int i = 51; i <= 300; ++i)
        sExpected += QStringLiteral("<div>%1</div>\r\n").arg(i);
    // The page gives line breaks back as LF; what counts is each line and its order.
    EXPECT_EQ(Read(browser, &TWebBrowserSp::InnerHTML).remove(QLatin1Char('\r')),
              QString(sExpected).remove(QLatin1Char('\r')));
    EXPECT_EQ(browser.Lines().size(), 250);
    EXPECT_EQ(browser.Lines().front(), QStringLiteral("<div>51</div>"));

    // Cleared, the body is empty; the kept lines come back with the next one.
    browser.InnerHTMLClear();
    EXPECT_EQ(Read(browser, &TWebBrowserSp::InnerHTML), QString());
    browser.InnerHTMLAdd(QStringLiteral("<div>301</div>"));
    const QString sAfter = Read(browser, &TWebBrowserSp::InnerHTML);
    EXPECT_TRUE(sAfter.startsWith(QStringLiteral("<div>52</div>"))) << qPrintable(sAfter.left(40));
    EXPECT_TRUE(sAfter.contains(QStringLiteral("<div>301</div>")));
}

// Without a limit a line is added after what the body holds, which stays as it
// is: a script of the page that keeps a node finds it still shown.
TEST_F(WebBrowserSpTest, ALineAddedWithoutLimitLeavesTheBodyInPlace)
{
    TWebBrowserSp browser;
    ASSERT_FALSE(browser.EngineMissing());
    browser.DocumentWrite(QStringLiteral(
        "<html><body><p id=\"count\">0</p><script>var count = document.getElementById('count');"
        "setInterval(function() { count.textContent = document.body.children.length; }, 50);"
        "</script></body></html>"));
    ASSERT_TRUE(
        WaitFor([&] { return Read(browser, &TWebBrowserSp::InnerHTML).contains(QStringLiteral(">2<")); }));
    browser.InnerHTMLAdd(QStringLiteral("<p>added</p>"));
    EXPECT_TRUE(WaitFor([&] {
        const QString sHtml = Read(browser, &TWebBrowserSp::InnerHTML);
        return sHtml.contains(QStringLiteral("<p id=\"count\">3</p>")) &&
               sHtml.endsWith(QStringLiteral("<p>added</p>"));
    }));
    EXPECT_EQ(browser.Lines(), QStringList{QStringLiteral("<p>added</p>")});
}

TEST_F(WebBrowserSpTest, ViewerModeStaysOnTheBlankPage)
{
    TWebBrowserSp browser;
    ASSERT_FALSE(browser.EngineMissing());
    QStringList slCompleted;
    browser.OnDocumentComplete = [&](const QUrl& url) { slCompleted << url.toString(); };
    ASSERT_TRUE(WaitFor([&] { return browser.Ready(); }));
    browser.SetBrowserMode(false);
    browser.DocumentWrite(QStringLiteral("<html><body>kept</body></html>"));
    // Port 9 of loopback: were the guard to let it through, nothing answers there.
    browser.Navigate(QStringLiteral("http://127.0.0.1:9/"));
    WaitFor([] { return false; }, 1500);
    EXPECT_EQ(Read(browser, &TWebBrowserSp::InnerHTML), QStringLiteral("kept"));
    browser.DocumentClear();
    EXPECT_TRUE(WaitFor([&] { return slCompleted.size() >= 2; }));
    EXPECT_EQ(slCompleted.back(), QStringLiteral("about:blank"));
    EXPECT_EQ(Read(browser, &TWebBrowserSp::InnerHTML), QString());
}

TEST_F(WebBrowserSpTest, RightClickPopsUpTheOwnersMenu)
{
    TWebBrowserSp browser;
    ASSERT_FALSE(browser.EngineMissing());
    browser.resize(300, 200);
    browser.show();
    QMenu menu;
    menu.addAction(QStringLiteral("すべてを選択(&A)"));
    browser.SetPopupMenu(&menu);
    browser.DocumentWrite(QStringLiteral("<html><body style=\"height: 100%\">text</body></html>"));
    ASSERT_TRUE(WaitFor([&] { return browser.Ready() && browser.View()->focusProxy() != nullptr; }));
    WaitFor([] { return false; }, 500);
    ASSERT_TRUE(TestSupport::PageClick(&browser, QPoint(50, 50), Qt::RightButton));
    EXPECT_TRUE(WaitFor([&] { return menu.isVisible(); }, 5000));
    menu.hide();
}

TEST_F(WebBrowserSpTest, FilesDraggedOntoThePageAreRefused)
{
    TWebBrowserSp browser;
    ASSERT_FALSE(browser.EngineMissing());
    browser.resize(300, 200);
    browser.show();
    ASSERT_TRUE(WaitFor([&] { return browser.Ready() && browser.View()->focusProxy() != nullptr; }));
    // Both the view and the widget inside it that the engine takes drops on.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/dropped.txt"))});
    for (QWidget* target : {browser.View(), browser.View()->focusProxy()}) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        EXPECT_FALSE(enter.isAccepted()) << qPrintable(target->metaObject()->className());
    }
}

} // namespace
