#include "RequestUnit.h"

#include "WebServer.h"

TRequestForm::TRequestForm()
    : TWebPageForm({TWindowKind::Request, QStringLiteral("リクエスト - Parvane 2"),
                    QStringLiteral("リクエスト"), QSize(380, 335), WebServer::RequestPath,
                    QStringLiteral("リクエスト フォームへ接続しています...")})
{
}

void RequestFormShow()
{
    SingleFormShow(RequestForm);
}

void RequestFormRelease()
{
    delete RequestForm;
}
