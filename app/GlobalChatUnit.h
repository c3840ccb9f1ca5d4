#pragma once

#include "CommonForm.h"
#include "WindowServices.h"

#include <QDate>
#include <QStringList>
#include <QTimer>
#include <QUrl>

class QLineEdit;
class QPushButton;
class QToolButton;
class TWebBrowserSp;
struct TWebNavigation;

// The addresses the web chat knows, each empty when there is no server.
struct TGlobalChatPages {
    QString sLogin;
    QString sLobby;
    QString sLogout;
    QString sSentinel;
    QStringList slAdvertisingHosts;
};
TGlobalChatPages GlobalChatPages();

enum class TGlobalChatNavigation {
    Proceed,
    Cancel,
    // The log-out is complete: cancel, and the window goes.
    Release,
    // A link that leaves the chat: proceed, and the window becomes a plain browser.
    BecomeBrowser
};
// The navigation filter: what a chat window (or one that has become a
// browser) does with a navigation of its page or one of its frames. Only the
// user leaves the chat: a page that goes elsewhere by itself is cancelled, but a
// redirect of a chat page is that page's answer and stays in the chat.
TGlobalChatNavigation GlobalChatNavigation(const TGlobalChatPages& pages, const TWebNavigation& navigation,
                                           bool bBrowser);
// The body of the lobby post: "adsence=" and the date as yyyymmdd.
QString GlobalChatLobbyPostData(const QDate& date);

// The chat on the maker's web server in a browser view: it logs in by posting to
// the lobby, lets the chat's pages and advertisements run, and becomes a plain
// browser window when the user follows a link out of the chat, while a new chat
// window takes its place. Leaving loads the log-out page; the window goes when
// the server reaches the end of the log-out, at an error, or after a time-out.
class TGlobalChatForm : public TCommonForm {
    Q_OBJECT

public:
    static constexpr int ReleaseTimeoutMs = 7000;
    static constexpr int AdHideMs = 1000;

    explicit TGlobalChatForm(const TWindowServicesRef& services = {});
    ~TGlobalChatForm() override;

    bool IsBrowser() const { return prBrowser; }
    bool HasError() const { return prError; }

    // The main window's web-chat command shows whether a chat window is open.
    void MainWindowCheck(bool bChecked);
    void btLogoutClick();
    void sbBrowserClick();
    void PanelVisibleSet() override;

    TWebBrowserSp* wbLog = nullptr;
    QWidget* pnFooter = nullptr;
    QPushButton* btLogout = nullptr;
    QPushButton* btReload = nullptr;
    QWidget* pnURL = nullptr;
    QLineEdit* edURL = nullptr;
    QToolButton* sbBrowser = nullptr;
    QTimer tmRelease;
    QTimer tmAdHide;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool wbLogBeforeNavigate2(const TWebNavigation& navigation);
    void wbLogNavigateError();
    void LobbyPost();
    void ErrorShow();
    void BrowserBecome();
    void Release();

    TWindowServicesRef PrServices;
    bool prBrowser = false;
    bool prError = false;
    bool PrReleasing = false;
    // The log-out question is open.
    bool FAsking = false;
};

// The newest chat window; windows that have become browsers live without a reference.
inline TGlobalChatForm* GlobalChatForm = nullptr;

// Opens the chat window (or brings it forward) and checks the main window's web-chat command.
void GlobalChatFormShow(const TWindowServicesRef& services = {});
// Asks the chat window to close, as its log-out button does.
void GlobalChatFormClose();
bool GlobalChatFormExists();
// The chat window and every window that has become a browser.
void GlobalChatFormRelease();
