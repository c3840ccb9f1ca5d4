#pragma once

#include "CommonForm.h"

class TWebBrowserSp;

// What tells the request window and the donation window apart.
struct TWebPageKind {
    TWindowKind Kind;
    QString sCaption;
    QString sTitle;
    QSize DesignSize;
    QString sPath;
    QString sLoadingNotice;
};

// A page of the maker's server in a window of its own: the header and the
// browser, loaded past the cache at each creation; from then on the page is the
// server's business.
class TWebPageForm : public TCommonForm {
    Q_OBJECT

public:
    explicit TWebPageForm(const TWebPageKind& kind);
    ~TWebPageForm() override;

    TWebBrowserSp* wbBrowser = nullptr;
};

// Shown in place of the page when there is no server to ask.
QString WebPageNoServerNotice();
