#pragma once

#include <QString>

class QMenu;
class QWidget;
class TWebBrowserSp;

// The page the web windows write before a page of the server loads, and when
// they build a page of their own: white, the interface font, an optional notice
// centred in grey.
QString WebBasePageHtml();
QString WebNoticeHtml(const QString& sNotice);
// Writes the base page, then the notice when there is one.
void WebBasePageShow(TWebBrowserSp* browser, const QString& sNotice);
// The browser's popup menu: select all and copy.
QMenu* WebBrowserPopupMenu(QWidget* parent, TWebBrowserSp* browser);
