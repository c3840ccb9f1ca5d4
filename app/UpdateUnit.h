#pragma once

#include "CommonForm.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

class QLabel;
class QPushButton;
class QVBoxLayout;
class TWebBrowserSp;
struct TWebNavigation;

// The program's own version, as the version page names versions.
inline const QString ProductVersion = QStringLiteral("2.53");

// The version page's answer as lines (CR, LF or CR LF); a line break at the
// very end ends the last line and starts no other.
QStringList VersionAnswerLines(const QString& sText);

// What the check shows for one answer of the version page.
struct TVersionCheckResult {
    bool bError = false;        // the page failed, or had fewer than three lines
    bool bOtherVersion = false; // the server named a version other than the own
    bool bAccessEnabled = false;
    QString sURL; // what the download button opens, a web page; empty: nothing
    QStringList slBlocks;
};
TVersionCheckResult VersionCheckEvaluate(const QString& sOwnVersion, const QString& sAnswer, bool bError);
// "2011年08月29日 午前 9時05分09秒 受信".
QString UpdateStatusText(const QDateTime& when);

enum class TUpdateFormShowType { stShow, stAuto, stCheckedToClose };

// The version check: asks the server's version page once per creation and
// shows the own version beside the server's, with a button to the download page.
class TUpdateForm : public TCommonForm {
    Q_OBJECT

public:
    // The browser's first start and a page of a few lines; a server that has not
    // answered by then is not going to.
    static constexpr int CheckTimeoutMs = 20000;

    TUpdateForm();
    ~TUpdateForm() override;

    // How the window was opened; the main window sets stAuto right after creating it hidden.
    TUpdateFormShowType puAuto = TUpdateFormShowType::stShow;

    bool Checked() const { return PrChecked; }
    bool CheckError() const { return prError; }
    QString AccessURL() const { return prURL; }
    QString StatusText() const;

    void btAccessClick();
    void btCloseClick();

    TWebBrowserSp* wbBrowser = nullptr;
    QPushButton* btAccess = nullptr;
    QPushButton* btClose = nullptr;
    QLabel* sbText = nullptr;
    // Ends a check that has had no answer: as a failed one.
    QTimer tmCheck;

    // Makes the browser view and starts the check, once: the browser engine's first
    // load takes a second or more, so a window the user opened is on screen first.
    void BrowserStart();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool wbBrowserBeforeNavigate2(const TWebNavigation& navigation);
    void wbBrowserLoaded(const QUrl& url, bool bOk);
    void CheckFail();
    void Check(const QString& sAnswer);

    // Where the version page's load has been redirected to; its end is the page's.
    QUrl FAnswerUrl;
    QVBoxLayout* PrLayout = nullptr;
    QString prURL;
    bool prError = false;
    bool PrChecked = false;
};

// The one version check while it exists.
inline TUpdateForm* UpdateForm = nullptr;

// From the Help menu: creates and shows the window, or shows and brings forward
// the one there is (also the hidden check of the start, which then stays open).
void UpdateFormShow();
// At start: creates the window hidden in automatic mode. Without a server the
// check could only fail, which the automatic mode keeps silent: nothing is made.
void UpdateFormStartCheck();
void UpdateFormRelease();
