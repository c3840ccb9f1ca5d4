#include "WebBrowserSp.h"

#include "BrowserEngine.h"

#include <QChildEvent>
#include <QDesktopServices>
#include <QDropEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

const QString kEngineMissingNotice = QStringLiteral("ブラウザ エンジンを読み込むことができませんでした。");

// A text as a script literal.
QString ScriptString(const QString& sText)
{
    const QByteArray json = QJsonDocument(QJsonArray{sText}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json) + QStringLiteral("[0]");
}

// A click or a key that follows a link or sends a form.
bool UserInput(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        return button == Qt::LeftButton || button == Qt::MiddleButton;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    default:
        return false;
    }
}

bool FileDrag(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        const QMimeData* data = static_cast<QDropEvent*>(event)->mimeData();
        return data != nullptr && data->hasUrls();
    }
    default:
        return false;
    }
}

} // namespace

bool WebBrowserKeySwallowed(int key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return true;
    if (modifiers & Qt::ControlModifier)
        return key != Qt::Key_V && key != Qt::Key_C && key != Qt::Key_X && key != Qt::Key_A &&
               key != Qt::Key_Control;
    if (key == Qt::Key_Back || key == Qt::Key_Forward || key == Qt::Key_Refresh)
        return true;
    return (modifiers & Qt::AltModifier) && (key == Qt::Key_Left || key == Qt::Key_Right);
}

std::optional<QByteArray> NavigatePostBody(const QString& sPostData)
{
    QByteArray body;
    body.reserve(sPostData.size());
    for (const QChar c : sPostData) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        body.append(static_cast<char>(c.unicode()));
    }
    return body;
}

QList<QPair<QByteArray, QByteArray>> NavigatePostHeaders()
{
    const QByteArray text = "Content-Type: application/x-www-form-urlencoded\r\n";
    QList<QPair<QByteArray, QByteArray>> headers;
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.endsWith('\r') ? line.chopped(1) : line;
        const qsizetype colon = trimmed.indexOf(':');
        if (colon > 0)
            headers.append({trimmed.left(colon), trimmed.mid(colon + 1).trimmed()});
    }
    return headers;
}

bool WebAddressForDesktop(const QUrl& url)
{
    const QString sScheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (sScheme == QStringLiteral("http") || sScheme == QStringLiteral("https"));
}

TWebBrowserSp::TWebBrowserSp(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setAcceptDrops(false);
    OnBeforeNavigate2 = [this](const TWebNavigation& Navigation) { return SelfBeforeNavigate2(Navigation); };
    FEngine = BrowserEngineCreate(this);
    if (FEngine == nullptr) {
        auto* notice = new QLabel(kEngineMissingNotice, this);
        notice->setTextFormat(Qt::PlainText);
        notice->setAlignment(Qt::AlignCenter);
        layout->addWidget(notice);
        return;
    }
    QWidget* view = FEngine->View();
    layout->addWidget(view);
    setFocusProxy(view);
    FilterInstall(view);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& point) {
        if (FPopupMenu)
            FPopupMenu->popup(view->mapToGlobal(point));
    });
    FEngine->OnBeforeNavigate = [this](const QUrl& url, bool bMainFrame, TNavigationCause cause) {
        return BeforeNavigate(url, bMainFrame, cause);
    };
    FEngine->OnLoadFinished = [this](const QUrl& url, bool bOk) { LoadFinished(url, bOk); };
    FEngine->OnNewWindow = [this](const QUrl& url) { NewWindow(url); };
    FEngine->Load(QUrl(BlankPage), false, {}, {}, false);
}

TWebBrowserSp::~TWebBrowserSp()
{
    // The view and its engine go with this widget; no event may reach a half-destroyed owner.
    if (FEngine != nullptr) {
        FEngine->OnBeforeNavigate = nullptr;
        FEngine->OnLoadFinished = nullptr;
        FEngine->OnNewWindow = nullptr;
    }
}

QWidget* TWebBrowserSp::View() const
{
    return FEngine != nullptr ? FEngine->View() : nullptr;
}

void TWebBrowserSp::SetPopupMenu(QMenu* Value)
{
    FPopupMenu = Value;
    if (QWidget* view = View())
        view->setContextMenuPolicy(Value != nullptr ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
}

bool TWebBrowserSp::SelfBeforeNavigate2(const TWebNavigation& Navigation)
{
    return FBrowserMode || Navigation.URL == QUrl(BlankPage);
}

bool TWebBrowserSp::UserStartTake()
{
    const bool bWaiting = FUserInput.isValid() && !FUserInput.hasExpired(UserStartMs);
    FUserInput.invalidate();
    return bWaiting;
}

bool TWebBrowserSp::BeforeNavigate(const QUrl& url, bool bMainFrame, TNavigationCause cause)
{
    if (!FBrowserMode && url != QUrl(BlankPage))
        return false;
    TWebNavigation navigation{url, bMainFrame, {}, false};
    // A frame's own navigations (advertisements reload by themselves) leave the user's input waiting.
    if (bMainFrame && cause == TNavigationCause::Redirect) {
        navigation.RedirectFrom = FLoadStart;
        navigation.bUserStarted = FLoadUserStarted;
    } else if (bMainFrame && cause == TNavigationCause::Link) {
        navigation.bUserStarted = UserStartTake();
    }
    if (OnBeforeNavigate2 && !OnBeforeNavigate2(navigation))
        return false;
    if (bMainFrame && cause != TNavigationCause::Redirect) {
        FLoadStart = url;
        FLoadUserStarted = navigation.bUserStarted;
    }
    return true;
}

void TWebBrowserSp::NewWindow(const QUrl& url)
{
    if (!UserStartTake())
        return;
    if (OnNewWindow2)
        OnNewWindow2();
    if (WebAddressForDesktop(url))
        QDesktopServices::openUrl(url);
}

void TWebBrowserSp::LoadFinished(const QUrl& url, bool bOk)
{
    if (!FReady) {
        // The first load is the blank page that everything asked before it waited for.
        FReady = true;
        const QList<std::function<void()>> pending = std::exchange(FPending, {});
        for (const auto& step : pending)
            step();
    }
    if (bOk) {
        if (OnDocumentComplete)
            OnDocumentComplete(url);
    } else if (OnNavigateError) {
        OnNavigateError(url);
    }
}

void TWebBrowserSp::Run(std::function<void()> step)
{
    if (FEngine == nullptr)
        return;
    if (FReady)
        step();
    else
        FPending.append(std::move(step));
}

void TWebBrowserSp::Script(const QString& sScript, std::function<void(const QVariant&)> result)
{
    QPointer<TWebBrowserSp> self(this);
    Run([this, sScript, result, self] {
        FEngine->RunScript(sScript, [result, self](const QVariant& value) {
            // The page may answer after its owner has gone.
            if (self && result)
                result(value);
        });
    });
}

void TWebBrowserSp::StringRead(const QString& sExpression, std::function<void(const QString&)> result)
{
    if (FEngine == nullptr) {
        result(QString());
        return;
    }
    Script(QStringLiteral("(function(){ var b = document.body; return b ? String(%1) : ''; })()")
               .arg(sExpression),
           [result](const QVariant& value) { result(value.toString()); });
}

void TWebBrowserSp::Navigate(const QString& URL, int Flags)
{
    const bool bNoCache = (Flags & (navNoReadFromCache | navNoWriteToCache)) != 0;
    Run([this, URL, bNoCache] { FEngine->Load(QUrl(URL), false, {}, {}, bNoCache); });
}

void TWebBrowserSp::Stop()
{
    Run([this] { FEngine->Stop(); });
}

bool TWebBrowserSp::NavigatePost(const QString& URL, const QString& PostData, const QString& Target,
                                 int Flags)
{
    Q_UNUSED(Target);
    const std::optional<QByteArray> body = NavigatePostBody(PostData);
    if (!body)
        return false;
    const bool bNoCache = (Flags & (navNoReadFromCache | navNoWriteToCache)) != 0;
    Run([this, URL, body, bNoCache] {
        FEngine->Load(QUrl(URL), true, *body, NavigatePostHeaders(), bNoCache);
    });
    return true;
}

void TWebBrowserSp::DocumentWrite(const QString& HTML)
{
    Script(QStringLiteral("document.open(); document.write(%1);").arg(ScriptString(HTML)));
}

void TWebBrowserSp::DocumentClear()
{
    Navigate(BlankPage);
}

void TWebBrowserSp::InnerHTMLClear()
{
    SetInnerHTML(QString());
}

void TWebBrowserSp::SetInnerHTML(const QString& HTML)
{
    Script(QStringLiteral("if (document.body) document.body.innerHTML = %1;").arg(ScriptString(HTML)));
}

void TWebBrowserSp::InnerHTMLAdd(const QString& HTML)
{
    FHTML.append(HTML);
    if (FLineLimit >= 1) {
        while (FHTML.size() > FLineLimit)
            FHTML.removeFirst();
        LinesShow();
        return;
    }
    // Only the new line is parsed: what the body holds stays as it is, however long it has grown.
    Script(QStringLiteral("if (document.body) document.body.insertAdjacentHTML('beforeend', %1);")
               .arg(ScriptString(HTML)));
}

void TWebBrowserSp::SetLineLimit(int Value)
{
    FLineLimit = Value;
    while (!FHTML.isEmpty() && FHTML.size() > qMax(0, Value))
        FHTML.removeFirst();
    LinesShow();
}

void TWebBrowserSp::LinesShow()
{
    QString sHTML;
    for (const QString& sLine : FHTML)
        sHTML += sLine + QStringLiteral("\r\n");
    SetInnerHTML(sHTML);
}

void TWebBrowserSp::SetScrollTop(int Value)
{
    Script(QStringLiteral("if (document.body) document.body.scrollTop = %1;").arg(Value));
}

void TWebBrowserSp::ScrollTo(int X, int Y)
{
    Script(QStringLiteral("window.scrollTo(%1, %2);").arg(X).arg(Y));
}

void TWebBrowserSp::SelectAll()
{
    Run([this] { FEngine->SelectAll(); });
}

void TWebBrowserSp::Copy()
{
    Run([this] { FEngine->Copy(); });
}

void TWebBrowserSp::Body(std::function<void(const QString&)> result)
{
    StringRead(QStringLiteral("b.outerHTML"), std::move(result));
}

void TWebBrowserSp::BodyText(std::function<void(const QString&)> result)
{
    StringRead(QStringLiteral("b.outerText"), std::move(result));
}

void TWebBrowserSp::InnerHTML(std::function<void(const QString&)> result)
{
    StringRead(QStringLiteral("b.innerHTML"), std::move(result));
}

void TWebBrowserSp::ScrollTop(std::function<void(int)> result)
{
    StringRead(QStringLiteral("b.scrollTop"), [result](const QString& s) { result(s.toInt()); });
}

void TWebBrowserSp::ScrollHeight(std::function<void(int)> result)
{
    StringRead(QStringLiteral("b.scrollHeight"), [result](const QString& s) { result(s.toInt()); });
}

void TWebBrowserSp::FilterInstall(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children())
        if (child->isWidgetType())
            FilterInstall(child);
}

bool TWebBrowserSp::eventFilter(QObject* watched, QEvent* event)
{
    // The engine puts the widget that takes the keys and drops inside its view later.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            FilterInstall(child);
    }
    if (UserInput(event))
        FUserInput.start();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (WebBrowserKeySwallowed(key->key(), key->modifiers()))
            return true;
    }
    if (FileDrag(event)) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
