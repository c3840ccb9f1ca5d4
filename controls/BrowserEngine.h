#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>

class QWidget;

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
    virtual void SelectAll() = 0;
    virtual void Copy() = 0;
    // Forgets every cached page.
    virtual void CacheClear() = 0;

    // Before every navigation of the page or one of its frames; false cancels it.
    std::function<bool(const QUrl& url, bool bMainFrame)> OnBeforeNavigate;
    // A load of the page ended, well or not; url is the address that was asked for.
    std::function<void(const QUrl& url, bool bOk)> OnLoadFinished;
    // A page asked for a window of its own; the desktop's browser gets its address.
    std::function<void()> OnNewWindow;
};

// The module's one entry, resolved by name.
using TBrowserEngineCreate = TBrowserEngine* (*)(QWidget* parent);
inline constexpr char BrowserEngineCreateName[] = "PvBrowserEngineCreate";

// Loads the module on the first call; nullptr (and a warning) when it cannot be loaded.
TBrowserEngine* BrowserEngineCreate(QWidget* parent);
// Whether the module has been loaded in this process.
bool BrowserEngineLoaded();
