#include "WebPageForm.h"

#include "WebBasePage.h"
#include "WebBrowserSp.h"
#include "WebServer.h"

#include <QLabel>
#include <QVBoxLayout>

QString WebPageNoServerNotice()
{
    return QStringLiteral("サーバーが応答しませんでした。<br />暫く時間を置いてから再度試してください。");
}

TWebPageForm::TWebPageForm(const TWebPageKind& kind) : TCommonForm(kind.Kind, kind.DesignSize)
{
    setWindowTitle(kind.sCaption);
    laTitle->setText(kind.sTitle);
    auto* layout = new QVBoxLayout(pnClient);
    layout->setContentsMargins(0, 0, 0, 0);
    wbBrowser = new TWebBrowserSp(pnClient);
    wbBrowser->SetPopupMenu(WebBrowserPopupMenu(this, wbBrowser));
    layout->addWidget(wbBrowser);

    const QString sPage = WebServer::Address(kind.sPath);
    if (sPage.isEmpty()) {
        WebBasePageShow(wbBrowser, WebPageNoServerNotice());
        return;
    }
    WebBasePageShow(wbBrowser, kind.sLoadingNotice);
    wbBrowser->Navigate(sPage, TWebBrowserSp::navNoHistory | TWebBrowserSp::navNoReadFromCache |
                                   TWebBrowserSp::navNoWriteToCache);
}

TWebPageForm::~TWebPageForm()
{
    FormDestroy();
}
