#pragma once

// The chat room's texts and HTML, apart from its window.

#include <QString>

// The input's limit in bytes of the ANSI code page.
inline constexpr int ChatMessageByteLimit = 255;
// The view keeps the newest lines only: any copy on the LAN can send lines without
// end, and past some tens of thousands the view's layout runs out of range and each
// line costs seconds. The log keeps every line.
inline constexpr int ChatViewLineLimit = 5000;

// "&" first, then "<", then ">", so that nothing is escaped twice; quotes stay.
QString ChatEscape(const QString& sText);

// Every web address of sText wrapped in a link: the pattern
// "(http://|https://){1}[\w\.\-\#\?/!/:]+" in UTF mode, case-sensitive, each
// match replaced by "<a href=\"$0\" " + sAttributes + ">$0</a>".
QString UrlLinkify(const QString& sText, const QString& sAttributes);

// One received line as the view shows it, links included: the name in the own
// or the other style, the text beside it (bLocate) or indented below it.
QString ChatLineHtml(const QString& sText, const QString& sHandle, bool bOwn, bool bLocate);
QString ChatEventHtml(const QString& sText);

// The view's lines as Qt's rich text draws them as the style sheet asks: the name
// a block of its own with its space above (a span's margin is not drawn), the
// text below it with no empty line between and indented by a margin (a block's
// padding is not drawn), the line's space below its last block; in the one-line
// form the space between name and text as the spacing after the name's last
// letter. Event lines and anything else stay as they are.
QString ChatRichText(const QString& sHtml);

// The event texts; the handle names are escaped here.
QString ChatLoginText(bool bOwn, const QString& sHandle);
QString ChatLogoutText(const QString& sHandle);
QString ChatNameChangeText(bool bOwn, const QString& sBeforeHandle, const QString& sAfterHandle);
QString ChatAbsenceText(bool bOwn, const QString& sHandle, bool bAbsence);

// The style sheet of the conversation view.
QString ChatStyleSheet();

// The status bar's counter of the bytes still free in the input.
struct TChatByteCounter {
    QString sText;
    bool bOver = false; // shown in red
};
TChatByteCounter ChatByteCounter(const QString& sInput);

// The input cut to its first 255 bytes without splitting a character, then
// without characters of code 32 or lower at either end.
QString ChatInputCut(const QString& sInput);

// The refusal of an input that holds a separator of the wire ("&|", "&:", "\|",
// asked in this order); empty when the input may be sent.
QString ChatInputRefusal(const QString& sInput);
