#include "AnsiCodePage.h"

#include "AnsiCodePageIcu.h"
#include "TestNames.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

struct LengthCase {
    const char* utf8;
    qsizetype bytes;
};

void PrintTo(const LengthCase& c, std::ostream* os)
{
    *os << "\"" << c.utf8 << '"';
}

class AnsiByteLength : public testing::TestWithParam<LengthCase> {};

TEST_P(AnsiByteLength, CountsBytesOfCodePage932)
{
    EXPECT_EQ(AnsiCodePage::ByteLength(QString::fromUtf8(GetParam().utf8)), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Texts, AnsiByteLength,
                         testing::Values(LengthCase{"", 0}, LengthCase{"abc", 3}, LengthCase{"日本語", 6},
                                         LengthCase{"ｱｲｳ", 3}, // half-width katakana: one byte each
                                         LengthCase{"a日b", 4}, LengthCase{"①", 2},
                                         LengthCase{"é", 1},           // unmappable: one "?"
                                         LengthCase{"\U0001F600x", 2}, // a surrogate pair is one "?"
                                         LengthCase{"～", 2}),
                         [](const testing::TestParamInfo<LengthCase>& info) {
                             return TestSupport::ReadableName(QString::fromUtf8(info.param.utf8));
                         });

TEST(AnsiCodePage, ACutToABytesLimitKeepsWholeCharactersOnly)
{
    const struct {
        const char* utf8;
        qsizetype iMaxBytes;
        const char* cut;
    } cases[] = {
        {"abc", 3, "abc"},
        {"abc", 2, "ab"},
        {"a日b", 2, "a"}, // the double-byte character does not fit
        {"a日b", 3, "a日"},
        {"日本", 3, "日"},
        {"", 5, ""},
        {"abc", 0, ""},
        {"\U0001F600x", 1, "\U0001F600"}, // the pair is one "?" byte
        {"ｱ日", 1, "ｱ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.utf8 << " to " << c.iMaxBytes);
        const QString text = QString::fromUtf8(c.utf8);
        EXPECT_EQ(AnsiCodePage::LeftBytes(text, c.iMaxBytes).toString(), QString::fromUtf8(c.cut));
    }
}

TEST(AnsiCodePage, EncodesJapaneseAsWindowsDoes)
{
    EXPECT_EQ(AnsiCodePage::Encode(u"日本語abc").toHex(), QByteArray("93fa967b8cea616263"));
    EXPECT_EQ(AnsiCodePage::Encode(u"あ"), QByteArray("\x82\xa0"));
}

TEST(AnsiCodePage, UnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(AnsiCodePage::Encode(QString::fromUtf8("aé日\U0001F600b")), QByteArray("a?\x93\xfa?b"));
}

TEST(AnsiCodePage, DecodeReversesEncode)
{
    const QString text = QString::fromUtf8("メッセージ テスト ｶﾀｶﾅ ①～ abc\r\n");
    EXPECT_EQ(AnsiCodePage::Decode(AnsiCodePage::Encode(text)), text);
    EXPECT_EQ(AnsiCodePage::Decode(QByteArray("plain")), QStringLiteral("plain"));
}

// Windows maps every byte below 80 to the same code point; a text with Japanese
// in it must not treat the control characters otherwise than a plain one.
TEST(AnsiCodePage, ControlCharactersAreTheirOwnBytesBesideJapanese)
{
    for (int c = 0; c < 0x80; ++c) {
        const QString withJapanese = QStringLiteral("あ") + QChar(c) + QStringLiteral("い");
        const QByteArray bytes = QByteArray("\x82\xa0") + char(c) + QByteArray("\x82\xa2");
        EXPECT_EQ(AnsiCodePage::Encode(withJapanese), bytes) << c;
        EXPECT_EQ(AnsiCodePage::Decode(bytes), withJapanese) << c;
        EXPECT_EQ(AnsiCodePage::Encode(QString(QChar(c))), QByteArray(1, char(c))) << c;
    }
    // The same through the path that replaces what cannot be mapped.
    EXPECT_EQ(AnsiCodePage::Encode(QString::fromUtf8("é\x1a\x1c\x7f")), QByteArray("?\x1a\x1c\x7f"));
}

// The table against the platform's ICU, which it was generated from: every code
// unit, every one- and two-byte sequence, and longer mixtures of the bytes where
// a pair can go wrong (first bytes, the three corrected control bytes, bytes
// that are no character).
TEST(AnsiCodePageTable, EveryCodeUnitEncodesAsIcu)
{
    for (int c = 0; c < 0x10000; ++c) {
        const QString text(QChar(static_cast<char16_t>(c)));
        // ICU's whole-text conversion drops a lone surrogate at the end; each is one "?" here.
        const QByteArray expected = QChar::isSurrogate(c) ? QByteArray("?") : AnsiCodePageIcu::Encode(text);
        ASSERT_EQ(AnsiCodePage::Encode(text), expected) << std::hex << c;
        ASSERT_EQ(AnsiCodePage::ByteLength(text), expected.size()) << std::hex << c;
    }
}

TEST(AnsiCodePageTable, EveryOneAndTwoByteSequenceDecodesAsIcu)
{
    for (int a = 0; a < 256; ++a) {
        const QByteArray one(1, static_cast<char>(a));
        ASSERT_EQ(AnsiCodePage::Decode(one), AnsiCodePageIcu::Decode(one)) << std::hex << a;
        for (int b = 0; b < 256; ++b) {
            const QByteArray two = one + static_cast<char>(b);
            ASSERT_EQ(AnsiCodePage::Decode(two), AnsiCodePageIcu::Decode(two)) << std::hex << a << " " << b;
        }
    }
}

TEST(AnsiCodePageTable, MixedByteSequencesDecodeAsIcu)
{
    static const unsigned char kTricky[] = {0x81, 0x82, 0x9f, 0xe0, 0xef, 0xf0, 0xfc, 0x40, 0x7e, 0x80, 0xa0,
                                            0xa1, 0xdf, 0xfd, 0xff, 0x1a, 0x1c, 0x7f, 0x00, 0x0d, 0x0a, 0x5c};
    QRandomGenerator random(932);
    for (int round = 0; round < 100000; ++round) {
        QByteArray bytes;
        const int length = 1 + random.bounded(12);
        for (int i = 0; i < length; ++i)
            bytes += static_cast<char>(random.bounded(3) == 0 ? random.bounded(256)
                                                              : kTricky[random.bounded(int(sizeof kTricky))]);
        ASSERT_EQ(AnsiCodePage::Decode(bytes), AnsiCodePageIcu::Decode(bytes)) << bytes.toHex().constData();
    }
}

TEST(AnsiCodePageTable, MixedTextsEncodeAsIcu)
{
    static const char16_t kPoints[] = {u'a',   u'\\',  0x1a,   0x1c,   0x7f,   0x00,   0x3042,
                                       0x65e5, 0xff71, 0x2460, 0xff5e, 0x301c, 0x00e9, 0x00a5,
                                       0xe000, 0xe757, 0xfffd, 0xfffe, 0x2225, 0xffe2};
    QRandomGenerator random(31);
    for (int round = 0; round < 50000; ++round) {
        QString text;
        const int length = 1 + random.bounded(10);
        for (int i = 0; i < length; ++i) {
            if (random.bounded(8) == 0)
                text += QString::fromUcs4(U"\U0001F600");
            else
                text += QChar(kPoints[random.bounded(int(std::size(kPoints)))]);
        }
        ASSERT_EQ(AnsiCodePage::Encode(text), AnsiCodePageIcu::Encode(text)) << text.toStdString();
        ASSERT_EQ(AnsiCodePage::ByteLength(text), AnsiCodePageIcu::Encode(text).size());
    }
}

// Code page 932 has nothing above the BMP: a pair is one "?", a lone half of one too.
TEST(AnsiCodePageTable, CodePointsAboveTheBmpAreOneQuestionMarkEach)
{
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 0x3FF) {
        const QString text = QString::fromUcs4(&c, 1);
        ASSERT_TRUE(AnsiCodePageIcu::EncodePoint(text).isEmpty()) << std::hex << unsigned(c);
        ASSERT_EQ(AnsiCodePage::Encode(text), QByteArray("?")) << std::hex << unsigned(c);
    }
    const QString halves = QString(QChar(0xdc00)) + QChar(0xd800) + u'a' + QChar(0xd800);
    EXPECT_EQ(AnsiCodePage::Encode(halves), QByteArray("??a?"));
    EXPECT_EQ(AnsiCodePage::ByteLength(halves), 4);
}

} // namespace
