#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class TBrowserEngine;
enum class TNavigationCause;

// Whether the browser drops this key unhandled: every Ctrl combination but the
// clipboard and select-all ones, the function keys, and the history keys, so a
// page can be neither searched, printed, reloaded nor walked back from the keyboard.
bool WebBrowserKeySwallowed(int key, Qt::KeyboardModifiers modifiers);
// The request body of a form post: one byte per character; nothing when a
// character does not fit in a byte (the post is then not sent).
std::optional<QByteArray> NavigatePostBody(const QString& sPostData);
// The header lines of a form post, each ending in CR LF, as name and value.
QList<QPair<QByteArray, QByteArray>> NavigatePostHeaders();
// Whether an address may go to the desktop's browser: a web page (http or https), nothing else.
bool WebAddressForDesktop(const QUrl& url);

// A navigation as the view's owner sees it before it happens.
struct TWebNavigation {
    QUrl URL;
    bool bMainFrame = true;
    // A redirect of the page's load (by the server, or by a script or refresh while it
    // loads): the address that load began at. Empty for anything else.
    QUrl RedirectFrom;
    // The user set it off with a click or a key on the page; a redirect inherits it
    // from the navigation it continues. Each input of the user starts one at most.
    bool bUserStarted = false;
};

// A web page in a window: navigates, posts forms, and also serves as a log pane
// that keeps the newest LineLimit lines added to its body. The engine starts on
// "about:blank"; whatever is asked of the page before that is ready waits and
// runs then, in order. Reading the page is asynchronous, as the engine is.
class TWebBrowserSp : public QWidget {
    Q_OBJECT

public:
    // Flags of Navigate and NavigatePost; either cache flag loads past the cache.
    static constexpr int navNoHistory = 2;
    static constexpr int navNoReadFromCache = 4;
    static constexpr int navNoWriteToCache = 8;
    static inline const QString BlankPage = QStringLiteral("about:blank");
    // How long a click or a key of the user may take to start its navigation: as long
    // as the engine lets a page open a window after one.
    static constexpr int UserStartMs = 5000;

    explicit TWebBrowserSp(QWidget* parent = nullptr);
    ~TWebBrowserSp() override;

    // 0 or less: no limit.
    int LineLimit() const { return FLineLimit; }
    void SetLineLimit(int Value);
    // False: every navigation but to "about:blank" is cancelled.
    bool BrowserMode() const { return FBrowserMode; }
    void SetBrowserMode(bool Value) { FBrowserMode = Value; }
    // With a menu, a right click pops it up; without, the browser shows its own.
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value);

    void Navigate(const QString& URL, int Flags = 0);
    // Ends the load under way.
    void Stop();
    // A form post with the form-urlencoded content type; false (nothing sent)
    // when PostData holds a character beyond one byte. Pages here have no named
    // frames, so Target must be empty.
    bool NavigatePost(const QString& URL, const QString& PostData, const QString& Target, int Flags);
    // Replaces the document with HTML, left open.
    void DocumentWrite(const QString& HTML);
    void DocumentClear();
    void InnerHTMLClear();
    void InnerHTMLAdd(const QString& HTML);
    void SetInnerHTML(const QString& HTML);
    void SetScrollTop(int Value);
    void ScrollTo(int X, int Y);
    void SelectAll();
    void Copy();

    // The body's outerHTML, outerText and innerHTML, empty without a body; its
    // scrollTop and scrollHeight, 0 without a document.
    void Body(std::function<void(const QString&)> result);
    void BodyText(std::function<void(const QString&)> result);
    void InnerHTML(std::function<void(const QString&)> result);
    void ScrollTop(std::function<void(int)> result);
    void ScrollHeight(std::function<void(int)> result);

    // The kept lines, oldest first.
    const QStringList& Lines() const { return FHTML; }
    // The engine could not be loaded; the view says so in one line.
    bool EngineMissing() const { return FEngine == nullptr; }
    // The first blank page is there and nothing waits.
    bool Ready() const { return FReady && FPending.isEmpty(); }
    QWidget* View() const;

    // Before each navigation of the page and its frames: false cancels it. Set to
    // the guard of BrowserMode at creation; an owner may put its own in place,
    // and BrowserMode False still cancels first.
    std::function<bool(const TWebNavigation& Navigation)> OnBeforeNavigate2;
    std::function<void(const QUrl& URL)> OnDocumentComplete;
    std::function<void(const QUrl& URL)> OnNavigateError;
    // A page asked for a window of its own in answer to the user; its address then
    // goes to the desktop's browser when it is a web page. Other asks are dropped.
    std::function<void()> OnNewWindow2;

    bool SelfBeforeNavigate2(const TWebNavigation& Navigation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Run(std::function<void()> step);
    void Script(const QString& sScript, std::function<void(const QVariant&)> result = nullptr);
    void StringRead(const QString& sExpression, std::function<void(const QString&)> result);
    void LinesShow();
    void FilterInstall(QObject* object);
    void LoadFinished(const QUrl& url, bool bOk);
    bool BeforeNavigate(const QUrl& url, bool bMainFrame, TNavigationCause cause);
    void NewWindow(const QUrl& url);
    // Whether an input of the user waits for its navigation; it is used up by the asking.
    bool UserStartTake();

    int FLineLimit = 0;
    bool FBrowserMode = true;
    QStringList FHTML;
    QPointer<QMenu> FPopupMenu;
    TBrowserEngine* FEngine = nullptr;
    bool FReady = false;
    QList<std::function<void()>> FPending;
    QElapsedTimer FUserInput; // invalid: no input waits
    // The main frame's load under way, which its redirects continue.
    QUrl FLoadStart;
    bool FLoadUserStarted = false;
};
