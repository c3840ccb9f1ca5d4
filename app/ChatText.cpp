#include "ChatText.h"

#include "AnsiCodePage.h"
#include "SendRules.h"
#include "SubUnit.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <QRegularExpression>
#include <QStringList>
#include <memory>
#include <pcre2.h>

namespace {

const char kUrlPattern[] = R"((http://|https://){1}[\w\.\-\#\?/!/:]+)";

struct PatternFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};

// Compiled once; the pattern is fixed, so a failure here is a fault of the program.
pcre2_code* UrlPattern()
{
    static const std::unique_ptr<pcre2_code, PatternFree> code([] {
        int iError = 0;
        PCRE2_SIZE offset = 0;
        return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kUrlPattern), PCRE2_ZERO_TERMINATED, PCRE2_UTF,
                             &iError, &offset, nullptr);
    }());
    return code.get();
}

} // namespace

QString ChatEscape(const QString& sText)
{
    QString s = sText;
    s.replace(u'&', QStringLiteral("&amp;"));
    s.replace(u'<', QStringLiteral("&lt;"));
    s.replace(u'>', QStringLiteral("&gt;"));
    return s;
}

QString UrlLinkify(const QString& sText, const QString& sAttributes)
{
    pcre2_code* code = UrlPattern();
    if (code == nullptr)
        return sText;
    const QByteArray subject = sText.toUtf8();
    // "$0" stands for the whole match; a "$" of the attributes is meant literally.
    const QByteArray replacement =
        (QStringLiteral("<a href=\"$0\" ") + QString(sAttributes).replace(u'$', QStringLiteral("$$")) +
         QStringLiteral(">$0</a>"))
            .toUtf8();
    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> match(
        pcre2_match_data_create_from_pattern(code, nullptr), &pcre2_match_data_free);
    PCRE2_SIZE size = PCRE2_SIZE(subject.size()) * 2 + 64;
    for (int iTry = 0; iTry < 8; ++iTry) {
        QByteArray out(qsizetype(size), '\0');
        PCRE2_SIZE outLength = size;
        const int rc = pcre2_substitute(
            code, reinterpret_cast<PCRE2_SPTR>(subject.constData()), PCRE2_SIZE(subject.size()), 0,
            PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH, match.get(), nullptr,
            reinterpret_cast<PCRE2_SPTR>(replacement.constData()), PCRE2_SIZE(replacement.size()),
            reinterpret_cast<PCRE2_UCHAR*>(out.data()), &outLength);
        if (rc == PCRE2_ERROR_NOMEMORY) {
            // With OVERFLOW_LENGTH the length needed comes back; one more try fits.
            size = outLength + 1;
            continue;
        }
        if (rc < 0)
            return sText;
        out.truncate(qsizetype(outLength));
        return QString::fromUtf8(out);
    }
    return sText;
}

QString ChatLineHtml(const QString& sText, const QString& sHandle, bool bOwn, bool bLocate)
{
    QString s = QStringLiteral("<div class=\"MessageLine\">");
    s += bOwn ? QStringLiteral("<span class=\"MyName\">") : QStringLiteral("<span class=\"OtherName\">");
    s += ChatEscape(sHandle) + QStringLiteral("</span>");
    if (bLocate)
        s += QStringLiteral("<span class=\"OneLine\">") + ChatEscape(sText) + QStringLiteral("</span>");
    else
        s += QStringLiteral("<br><div class=\"MultiLine\">") + ChatEscape(sText) + QStringLiteral("</div>");
    s += QStringLiteral("</div>");
    return UrlLinkify(s, QString());
}

QString ChatRichText(const QString& sHtml)
{
    // A line's name and text hold no "</span>" nor "</div>": both are escaped, and
    // their links' tags are "<a …>" and "</a>".
    static const QRegularExpression multiLine(
        QStringLiteral(
            "<div class=\"MessageLine\"><span class=\"(MyName|OtherName)\">((?:(?!</span>).)*)</span><br>"
            "<div class=\"MultiLine\">((?:(?!</div>).)*)</div></div>"),
        QRegularExpression::DotMatchesEverythingOption);
    // In the one-line form the name's last character (a link's, an escape) is what stands before the text.
    static const QRegularExpression oneLine(
        QStringLiteral("<div class=\"MessageLine\">(<span class=\"(?:MyName|OtherName)\">(?:(?!</span>).)*?)"
                       "(&(?:amp|lt|gt);|[^<>&])((?:</a>)?</span><span class=\"OneLine\">)"),
        QRegularExpression::DotMatchesEverythingOption);
    QString s = sHtml;
    // The numbers are the style sheet's: the names' margin-top, the MultiLine
    // padding-left and the MessageLine margin-bottom; the OneLine padding-left
    // becomes the spacing after the name's last letter.
    s.replace(multiLine, QStringLiteral("<div class=\"\\1\">\\2</div><div class=\"MultiLine\" "
                                        "style=\"margin-left: 10px; margin-bottom: 5px;\">\\3</div>"));
    s.replace(oneLine, QStringLiteral("<div class=\"MessageLine\" style=\"margin-top: 10px;\">\\1"
                                      "<span style=\"letter-spacing: 5px;\">\\2</span>\\3"));
    return s;
}

QString ChatEventHtml(const QString& sText)
{
    return QStringLiteral("<div class=\"Event\">") + sText + QStringLiteral("</div>");
}

QString ChatLoginText(bool bOwn, const QString& sHandle)
{
    if (bOwn)
        return QStringLiteral("チャットへログインしました。");
    return ChatEscape(sHandle) + QStringLiteral("がチャットへログインしました。");
}

QString ChatLogoutText(const QString& sHandle)
{
    return ChatEscape(sHandle) + QStringLiteral("がチャットからログアウトしました。");
}

QString ChatNameChangeText(bool bOwn, const QString& sBeforeHandle, const QString& sAfterHandle)
{
    if (bOwn)
        return QStringLiteral("ハンドル名を「") + ChatEscape(sAfterHandle) +
               QStringLiteral("」へ変更しました。");
    return QStringLiteral("「") + ChatEscape(sBeforeHandle) + QStringLiteral("」がハンドル名を「") +
           ChatEscape(sAfterHandle) + QStringLiteral("」へ変更しました。");
}

QString ChatAbsenceText(bool bOwn, const QString& sHandle, bool bAbsence)
{
    if (bOwn)
        return bAbsence ? QStringLiteral("不在状態に設定しました。")
                        : QStringLiteral("不在状態を解除しました。");
    const QString h = ChatEscape(sHandle);
    return bAbsence ? QStringLiteral("「") + h + QStringLiteral("」が不在状態になりました。")
                    : QStringLiteral("「") + h + QStringLiteral("」の不在状態が解除されました。");
}

QString ChatStyleSheet()
{
    const QStringList rules = {
        QStringLiteral("body { background-color: #ffffff; color: #000000; font-size: 12px; margin: 3px; "
                       "font-family: 'Meiryo UI', 'メイリオ', 'MS UI Gothic', 'ＭＳ Ｐゴシック'; }"),
        QStringLiteral(".Event { margin-bottom: 5px; padding: 0px 10px; font-size: 12px; font-weight: bold; "
                       "color: #448844; border-top: 2px solid #88bb88; border-bottom: 2px solid #88bb88; "
                       "background-color: #eeffee; }"),
        QStringLiteral(".MessageLine { margin-bottom: 5px; }"),
        QStringLiteral(".MyName { margin-top: 10px; font-weight: bold; color: red }"),
        QStringLiteral(".OtherName { margin-top: 10px; font-weight: bold; color: blue }"),
        QStringLiteral(".OneLine { padding-left: 5px; }"),
        QStringLiteral(".MultiLine { padding-left: 10px; }"),
    };
    return rules.join(QStringLiteral("  "));
}

TChatByteCounter ChatByteCounter(const QString& sInput)
{
    const qsizetype n = ChatMessageByteLimit - AnsiCodePage::ByteLength(sInput);
    if (n >= 0)
        return {QStringLiteral("残り送信可能バイト数：%1 Byte").arg(n), false};
    return {QStringLiteral("送信可能バイト数が %1 Byte 超えています").arg(-n), true};
}

QString ChatInputCut(const QString& sInput)
{
    return MessageByteCut(sInput, ChatMessageByteLimit);
}

QString ChatInputRefusal(const QString& sInput)
{
    return ForbiddenSequenceRefusal(sInput, QStringLiteral("メッセージ内")).value_or(QString());
}
