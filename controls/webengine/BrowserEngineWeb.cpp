// The browser engine on Qt WebEngine; see BrowserEngine.h.
#include "BrowserEngine.h"

#include <QFont>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Nothing of the web windows is kept on disk: one profile in memory for all of them.
// It is never freed, since a page must not outlive its profile and a browser
// window may still be open when the program ends.
QWebEngineProfile* Profile()
{
    static QWebEngineProfile* profile = [] {
        auto* p = new QWebEngineProfile();
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        // A script opens a window only in answer to the user; the engine's own popup blocker.
        p->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        // The pages name the Japanese fonts of Windows; the font the program
        // maps them to stands in wherever a page's fonts are missing.
        const QString sSubstitute = QFont::substitute(QStringLiteral("Meiryo UI"));
        if (sSubstitute != QStringLiteral("Meiryo UI")) {
            p->settings()->setFontFamily(QWebEngineSettings::StandardFont, sSubstitute);
            p->settings()->setFontFamily(QWebEngineSettings::SansSerifFont, sSubstitute);
        }
        return p;
    }();
    return profile;
}

TNavigationCause CauseOf(QWebEnginePage::NavigationType type)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
        return TNavigationCause::Program;
    case QWebEnginePage::NavigationTypeLinkClicked:
    case QWebEnginePage::NavigationTypeFormSubmitted:
        return TNavigationCause::Link;
    case QWebEnginePage::NavigationTypeRedirect:
        return TNavigationCause::Redirect;
    default:
        return TNavigationCause::Other;
    }
}

// A window a page asked for is never shown: its first address goes to the owner,
// and the page is then dropped.
class TNewWindowPage : public QWebEnginePage {
public:
    TNewWindowPage(TBrowserEngine* owner, QObject* parent) : QWebEnginePage(Profile(), parent), FOwner(owner)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool bMainFrame) override
    {
        if (bMainFrame && !FDone && !url.isEmpty() && url != QUrl(QStringLiteral("about:blank"))) {
            FDone = true;
            if (FOwner->OnNewWindow)
                FOwner->OnNewWindow(url);
            deleteLater();
        }
        return false;
    }

private:
    TBrowserEngine* FOwner;
    bool FDone = false;
};

class TEnginePage : public QWebEnginePage {
public:
    TEnginePage(TBrowserEngine* owner, QObject* parent) : QWebEnginePage(Profile(), parent), FOwner(owner) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool bMainFrame) override
    {
        return !FOwner->OnBeforeNavigate || FOwner->OnBeforeNavigate(url, bMainFrame, CauseOf(type));
    }
    QWebEnginePage* createWindow(WebWindowType) override { return new TNewWindowPage(FOwner, this); }

private:
    TBrowserEngine* FOwner;
};

class TBrowserEngineWeb : public TBrowserEngine {
public:
    explicit TBrowserEngineWeb(QWidget* parent) : FView(new QWebEngineView(parent))
    {
        FPage = new TEnginePage(this, FView);
        FView->setPage(FPage);
        QObject::connect(FPage, &QWebEnginePage::loadingChanged, FView,
                         [this](const QWebEngineLoadingInfo& info) {
                             // A load that another one replaced has not ended for its owner.
                             if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus ||
                                 info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
                                 return;
                             // A navigation that began while another loaded is reported under the first
                             // one's address; what the page shows is the address that succeeded.
                             const bool bOk = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
                             if (OnLoadFinished)
                                 OnLoadFinished(bOk ? FPage->url() : info.url(), bOk);
                         });
        // The engine ends with its view, whoever deletes that.
        QObject::connect(FView, &QObject::destroyed, FView, [this] { delete this; });
    }

    QWidget* View() override { return FView; }

    void Load(const QUrl& url, bool bPost, const QByteArray& body, const THeaders& headers,
              bool bNoCache) override
    {
        QWebEngineHttpRequest request(url, bPost ? QWebEngineHttpRequest::Post : QWebEngineHttpRequest::Get);
        if (bPost)
            request.setPostData(body);
        for (const auto& [name, value] : headers)
            request.setHeader(name, value);
        if (bNoCache) {
            request.setHeader("Cache-Control", "no-cache");
            request.setHeader("Pragma", "no-cache");
        }
        FPage->load(request);
    }

    void RunScript(const QString& sScript, std::function<void(const QVariant&)> result) override
    {
        FPage->runJavaScript(sScript, [result](const QVariant& value) {
            if (result)
                result(value);
        });
    }

    void Stop() override { FPage->triggerAction(QWebEnginePage::Stop); }
    void SelectAll() override { FPage->triggerAction(QWebEnginePage::SelectAll); }
    void Copy() override { FPage->triggerAction(QWebEnginePage::Copy); }
    void CacheClear() override { Profile()->clearHttpCache(); }

private:
    QWebEngineView* FView;
    TEnginePage* FPage;
};

} // namespace

extern "C" Q_DECL_EXPORT TBrowserEngine* PvBrowserEngineCreate(QWidget* parent)
{
    return new TBrowserEngineWeb(parent);
}
