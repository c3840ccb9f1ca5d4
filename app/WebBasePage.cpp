#include "WebBasePage.h"

#include "WebBrowserSp.h"

#include <QAction>
#include <QMenu>

QString WebBasePageHtml()
{
    return QStringLiteral(
        "<html><body style=\"background-color: #ffffff; color: #000000; font-size: 12px; margin: 3px; "
        "font-family: 'Meiryo UI', 'メイリオ', 'MS UI Gothic', 'ＭＳ Ｐゴシック';\"></body></html>");
}

QString WebNoticeHtml(const QString& sNotice)
{
    return QStringLiteral(
               "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" style=\"width: 100%; height: "
               "100%;\"><tr><td align=\"center\" style=\"font-size: 14px; color: #888888;\">") +
           sNotice + QStringLiteral("</td></tr></table>");
}

void WebBasePageShow(TWebBrowserSp* browser, const QString& sNotice)
{
    browser->DocumentWrite(WebBasePageHtml());
    if (!sNotice.isEmpty())
        browser->InnerHTMLAdd(WebNoticeHtml(sNotice));
}

QMenu* WebBrowserPopupMenu(QWidget* parent, TWebBrowserSp* browser)
{
    auto* menu = new QMenu(parent);
    QAction* selectAll = menu->addAction(QStringLiteral("すべてを選択(&A)"));
    QAction* copy = menu->addAction(QStringLiteral("コピー(&C)"));
    QObject::connect(selectAll, &QAction::triggered, browser, &TWebBrowserSp::SelectAll);
    QObject::connect(copy, &QAction::triggered, browser, &TWebBrowserSp::Copy);
    return menu;
}
