// The chat room's HTML and texts.
#include "ChatText.h"

#include "AnsiCodePage.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <utility>

namespace {

TEST(ChatLineHtml, OwnAndOtherOneLineAndMultiLine)
{
    const struct {
        const char* sName;
        bool bOwn, bLocate;
        const char* sExpected;
    } cases[] = {
        {"OwnOneLine", true, true,
         "<div class=\"MessageLine\"><span class=\"MyName\">太郎</span><span "
         "class=\"OneLine\">こんにちは</span></div>"},
        {"OtherOneLine", false, true,
         "<div class=\"MessageLine\"><span class=\"OtherName\">太郎</span><span "
         "class=\"OneLine\">こんにちは</span></div>"},
        {"OwnMultiLine", true, false,
         "<div class=\"MessageLine\"><span class=\"MyName\">太郎</span><br><div "
         "class=\"MultiLine\">こんにちは</div></div>"},
        {"OtherMultiLine", false, false,
         "<div class=\"MessageLine\"><span class=\"OtherName\">太郎</span><br><div "
         "class=\"MultiLine\">こんにちは</div></div>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChatLineHtml("こんにちは", "太郎", c.bOwn, c.bLocate), QString::fromUtf8(c.sExpected))
            << c.sName;
}

// Qt's rich text form of the lines: the name a block of its own, the text a block
// with the indent and the space below as margins; in the one-line form the
// space after the name's last letter, a link's or an escape; links, escapes and
// line breaks of a peer's text kept; event lines unchanged.
TEST(ChatRichText, NamesBecomeBlocksAndPaddingsMargins)
{
    const QString sMulti = ChatLineHtml("a<b\r\nhttp://h/x", "花&子", true, false);
    const QString sMultiForm =
        QStringLiteral("<div class=\"MyName\">花&amp;子</div><div class=\"MultiLine\" style=\"margin-left: "
                       "10px; margin-bottom: 5px;\">a&lt;b\r\n<a href=\"http://h/x\" >http://h/x</a></div>");
    const QString sOne = ChatLineHtml("c", "http://n", false, true);
    const QString sOneForm =
        QStringLiteral("<div class=\"MessageLine\" style=\"margin-top: 10px;\"><span "
                       "class=\"OtherName\"><a href=\"http://n\" >http://<span style=\"letter-spacing: "
                       "5px;\">n</span></a></span><span class=\"OneLine\">c</span></div>");
    const QString sEvent = ChatEventHtml("a&lt;b");
    EXPECT_EQ(ChatRichText(sMulti), sMultiForm);
    EXPECT_EQ(ChatRichText(sOne), sOneForm);
    EXPECT_EQ(
        ChatRichText(ChatLineHtml("c", "<花&", true, true)),
        QStringLiteral("<div class=\"MessageLine\" style=\"margin-top: 10px;\"><span "
                       "class=\"MyName\">&lt;花<span style=\"letter-spacing: 5px;\">&amp;</span></span><span "
                       "class=\"OneLine\">c</span></div>"));
    EXPECT_EQ(ChatRichText(sEvent), sEvent);
    EXPECT_EQ(ChatRichText(sMulti + sEvent + sOne + sMulti), sMultiForm + sEvent + sOneForm + sMultiForm);
}

TEST(ChatLineHtml, TextAndNameAreEscapedAmpersandFirstQuotesKept)
{
    EXPECT_EQ(ChatEscape("a&lt;b <c> \"d\" 'e'"), QStringLiteral("a&amp;lt;b &lt;c&gt; \"d\" 'e'"));
    EXPECT_EQ(ChatLineHtml("1 < 2 & 3 > 0", "<花&子>", false, true),
              QStringLiteral("<div class=\"MessageLine\"><span class=\"OtherName\">&lt;花&amp;子&gt;</span>"
                             "<span class=\"OneLine\">1 &lt; 2 &amp; 3 &gt; 0</span></div>"));
}

TEST(UrlLinkify, AddressesEndWhereThePatternSaysAndOnlyLowerCaseSchemes)
{
    const struct {
        const char* sText;
        const char* sExpected;
    } cases[] = {
        {"see http://example.org/a.html now",
         "see <a href=\"http://example.org/a.html\" >http://example.org/a.html</a> now"},
        {"https://h/p?q=1", "<a href=\"https://h/p?q\" >https://h/p?q</a>=1"},
        {"http://h/a&b", "<a href=\"http://h/a\" >http://h/a</a>&b"},
        {"http://h/a%20b", "<a href=\"http://h/a\" >http://h/a</a>%20b"},
        {"http://h/~u+v", "<a href=\"http://h/\" >http://h/</a>~u+v"},
        {"HTTP://h/", "HTTP://h/"},
        {"http://h/#x!y:z-_.", "<a href=\"http://h/#x!y:z-_.\" >http://h/#x!y:z-_.</a>"},
        {"a http://x b https://y",
         "a <a href=\"http://x\" >http://x</a> b <a href=\"https://y\" >https://y</a>"},
        // Word characters are ASCII only: a Japanese letter ends the address.
        {"http://h/あ", "<a href=\"http://h/\" >http://h/</a>あ"},
        {"no address", "no address"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlLinkify(QString::fromUtf8(c.sText), QString()), QString::fromUtf8(c.sExpected))
            << c.sText;
    EXPECT_EQ(UrlLinkify("http://x", "target=\"_blank\" data-$1"),
              QStringLiteral("<a href=\"http://x\" target=\"_blank\" data-$1>http://x</a>"));
}

TEST(UrlLinkify, AnEscapedAmpersandOfALineEndsTheAddress)
{
    EXPECT_EQ(
        ChatLineHtml("http://h/?a&b", "x", true, true),
        QStringLiteral("<div class=\"MessageLine\"><span class=\"MyName\">x</span><span class=\"OneLine\">"
                       "<a href=\"http://h/?a\" >http://h/?a</a>&amp;b</span></div>"));
}

TEST(UrlLinkify, LongTextIsReplacedWhole)
{
    QString sText;
    for (int i = 0; i < 500; ++i)
        sText += QStringLiteral("http://h/%1 ").arg(i);
    const QString sOut = UrlLinkify(sText, QString());
    EXPECT_EQ(sOut.count(QStringLiteral("<a href=")), 500);
    EXPECT_TRUE(sOut.endsWith(QStringLiteral(">http://h/499</a> ")));
}

TEST(ChatEvents, TextsForOwnAndOtherWithEscapedNames)
{
    EXPECT_EQ(ChatLoginText(true, "x"), QStringLiteral("チャットへログインしました。"));
    EXPECT_EQ(ChatLoginText(false, "a<b"), QStringLiteral("a&lt;bがチャットへログインしました。"));
    EXPECT_EQ(ChatLogoutText("a&b"), QStringLiteral("a&amp;bがチャットからログアウトしました。"));
    EXPECT_EQ(ChatNameChangeText(true, "old", "n>w"),
              QStringLiteral("ハンドル名を「n&gt;w」へ変更しました。"));
    EXPECT_EQ(ChatNameChangeText(false, "o<", "n"),
              QStringLiteral("「o&lt;」がハンドル名を「n」へ変更しました。"));
    EXPECT_EQ(ChatAbsenceText(true, "x", true), QStringLiteral("不在状態に設定しました。"));
    EXPECT_EQ(ChatAbsenceText(true, "x", false), QStringLiteral("不在状態を解除しました。"));
    EXPECT_EQ(ChatAbsenceText(false, "花子", true), QStringLiteral("「花子」が不在状態になりました。"));
    EXPECT_EQ(ChatAbsenceText(false, "花子", false), QStringLiteral("「花子」の不在状態が解除されました。"));
    EXPECT_EQ(ChatEventHtml("t"), QStringLiteral("<div class=\"Event\">t</div>"));
}

TEST(ChatStyleSheet, SevenRulesJoinedByTwoBlanks)
{
    const std::pair<const char*, const char*> rules[] = {
        {"body", "background-color: #ffffff; color: #000000; font-size: 12px; margin: 3px; "
                 "font-family: 'Meiryo UI', 'メイリオ', 'MS UI Gothic', 'ＭＳ Ｐゴシック';"},
        {".Event",
         "margin-bottom: 5px; padding: 0px 10px; font-size: 12px; font-weight: bold; color: #448844; "
         "border-top: 2px solid #88bb88; border-bottom: 2px solid #88bb88; background-color: #eeffee;"},
        {".MessageLine", "margin-bottom: 5px;"},
        {".MyName", "margin-top: 10px; font-weight: bold; color: red"},
        {".OtherName", "margin-top: 10px; font-weight: bold; color: blue"},
        {".OneLine", "padding-left: 5px;"},
        {".MultiLine", "padding-left: 10px;"},
    };
    QStringList written;
    for (const auto& [sSelector, sDeclarations] : rules)
        written << QString::fromUtf8(sSelector) + QStringLiteral(" { ") + QString::fromUtf8(sDeclarations) +
                       QStringLiteral(" }");
    EXPECT_EQ(ChatStyleSheet(), written.join(QStringLiteral("  ")));
}

TEST(ChatInput, CounterCountsBytesOfTheCodePage)
{
    EXPECT_EQ(ChatByteCounter("").sText, QStringLiteral("残り送信可能バイト数：255 Byte"));
    EXPECT_FALSE(ChatByteCounter(QString(255, u'a')).bOver);
    const TChatByteCounter over = ChatByteCounter(QString(128, u'あ'));
    EXPECT_TRUE(over.bOver);
    EXPECT_EQ(over.sText, QStringLiteral("送信可能バイト数が 1 Byte 超えています"));
}

TEST(ChatInput, CutKeepsWholeCharactersAndTrimsControlAndBlanks)
{
    const struct {
        const char* sName;
        QString sInput;
        QString sExpected;
    } cases[] = {
        // 128 double-byte characters are 256 bytes: 127 whole ones stay.
        {"DoubleByte", QString(128, u'あ'), QString(127, u'あ')},
        {"SingleThenDouble", QString("a") + QString(128, u'あ'), QString("a") + QString(127, u'あ')},
        {"Single", QString(300, u'b'), QString(255, u'b')},
        {"BlanksAtTheEnds", QString("  x") + QString(260, u' '), QString("x")},
        {"TabsInside", QString("\tx\ty\t") + QString(255, u' '), QString("x\ty")},
    };
    for (const auto& c : cases) {
        const QString sCut = ChatInputCut(c.sInput);
        EXPECT_EQ(sCut, c.sExpected) << c.sName;
        EXPECT_LE(AnsiCodePage::ByteLength(sCut), 255) << c.sName;
    }
}

TEST(ChatInput, SeparatorsOfTheWireAreRefusedInOrder)
{
    EXPECT_EQ(ChatInputRefusal("fine"), QString());
    EXPECT_EQ(ChatInputRefusal("a&|b&:"), QStringLiteral("メッセージ内に「&|」を含めることはできません。"));
    EXPECT_EQ(ChatInputRefusal("\\| and &:"),
              QStringLiteral("メッセージ内に「&:」を含めることはできません。"));
    EXPECT_EQ(ChatInputRefusal("a\\|"), QStringLiteral("メッセージ内に「\\|」を含めることはできません。"));
    EXPECT_EQ(ChatInputRefusal("a|b&c\\"), QString());
}

} // namespace
