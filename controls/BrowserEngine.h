#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <functional>

class QWidget;

// What set a navigation off, as far as the engine tells: a load the program asked
// for; a link or form of the page, followed by a click or by a script alike; a
// redirect, by the server or by a script or refresh while the page loads; the rest.
enum class TNavigationCause { Program, Link, Redirect, Other };

// The browser engine behind TWebBrowserSp. It lives in a module of its own that
// is loaded when the first browser view is made, so a program that never shows
// a web page never starts the engine, its threads or an OpenGL context.
class TBrowserEngine {
public:
    using THeaders = QList<QPair<QByteArray, QByteArray>>;

    virtual ~TBrowserEngine() = default;

    // The widget that shows the page, a child of the parent given at creation.
    virtual QWidget* View() = 0;
    // A GET, or a POST when bPost; bNoCache neither reads nor keeps a cached copy.
    virtual void Load(const QUrl& url, bool bPost, const QByteArray& body, const THeaders& headers,
                      bool bNoCache) = 0;
    // Runs a script in the page; the result arrives later, in the order the scripts were given.
    virtual void RunScript(const QString& sScript, std::function<void(const QVariant&)> result) = 0;
    // Ends the load under way, if any.
    virtual void Stop() = 0;
    virtual void SelectAll() = 0;
    virtual void Copy() = 0;
    // Forgets every cached page.
    virtual void CacheClear() = 0;

    // Before every navigation of the page or one of its frames; false cancels it.
    std::function<bool(const QUrl& url, bool bMainFrame, TNavigationCause cause)> OnBeforeNavigate;
    // A load of the page ended, well or not; url is the address that was asked for.
    std::function<void(const QUrl& url, bool bOk)> OnLoadFinished;
    // A page asked for a window of its own, which the engine does not show; url is
    // the first address that window would have gone to.
    std::function<void(const QUrl& url)> OnNewWindow;
};

// The module's one entry, resolved by name.
using TBrowserEngineCreate = TBrowserEngine* (*)(QWidget* parent);
inline constexpr char BrowserEngineCreateName[] = "PvBrowserEngineCreate";

// Loads the module on the first call; nullptr (and a warning) when it cannot be loaded.
TBrowserEngine* BrowserEngineCreate(QWidget* parent);
// Whether the module has been loaded in this process.
bool BrowserEngineLoaded();
// Where the module is looked for: beside the program and in the build's folder, or
// (for tests) the folders given; the next creation looks again.
void BrowserEngineSetModuleFolders(const QStringList& slFolders);
