#include "AnsiCodePage.h"

#include "TestNames.h"

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

} // namespace
