#include "AnsiCodePage.h"
#include "ParvaneNetwork.h"
#include "ParvaneNetworkSeam.h"
#include "SystemClock.h"
#include "TestLan.h"
#include "TestNames.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* separator;
    const char* text;
    int field;
    const char* expected;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << "field " << c.field << " of \"" << c.text << "\" by \"" << c.separator << '"';
}

class Split : public testing::TestWithParam<SplitCase> {};

TEST_P(Split, TakesTheNthField)
{
    const SplitCase& c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    const QString got =
        QString::fromUtf8(c.separator) == TParvaneNetwork::FieldSeparator
            ? TParvaneNetwork::StringSplit(text, c.field)
            : TParvaneNetwork::StringSplitCustom(QString::fromUtf8(c.separator), text, c.field);
    EXPECT_EQ(got, QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Split,
    testing::Values(SplitCase{"&|", "a&|b&|c", 0, "a"}, SplitCase{"&|", "a&|b&|c", 1, "b"},
                    SplitCase{"&|", "a&|b&|c", 2, "c"}, SplitCase{"&|", "a&|b&|c", 3, ""},
                    SplitCase{"&|", "&|&|x", 0, ""}, SplitCase{"&|", "&|&|x", 1, ""},
                    SplitCase{"&|", "&|&|x", 2, "x"}, SplitCase{"&|", "alone", 0, "alone"},
                    SplitCase{"&|", "alone", 1, ""}, SplitCase{"&|", "end&|", 1, ""},
                    SplitCase{"&|", "a&&|b", 0, "a&"}, SplitCase{"&|", "日本&|語", 1, "語"},
                    SplitCase{"\r\n", "one\r\ntwo\r\nthree", 1, "two"},
                    SplitCase{"\r\n", "one\r\ntwo\r\nthree", 2, "three"},
                    SplitCase{"aa", "xaaay", 1, "ay"}, // no overlapping matches
                    SplitCase{"&|", "a&|b", 255, ""}),
    [](const testing::TestParamInfo<SplitCase>& info) {
        const QString separator = QString::fromUtf8(info.param.separator);
        return "Field" + std::to_string(info.param.field) + "_Of_" +
               TestSupport::ReadableName(QString::fromUtf8(info.param.text)) +
               (separator == TParvaneNetwork::FieldSeparator ? std::string()
                                                             : "_By_" + TestSupport::ReadableName(separator));
    });

struct ReplaceCase {
    const char* before;
    const char* after;
    const char* target;
    const char* expected;
};

void PrintTo(const ReplaceCase& c, std::ostream* os)
{
    *os << "\"" << c.before << "\" by \"" << c.after << "\" in \"" << c.target << '"';
}

class Replace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(Replace, ReplacesEveryOccurrenceLeftToRight)
{
    const ReplaceCase& c = GetParam();
    QString target = QString::fromUtf8(c.target);
    TParvaneNetwork::StringReplacement(QString::fromUtf8(c.before), QString::fromUtf8(c.after), target);
    EXPECT_EQ(target, QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Replace,
    testing::Values(ReplaceCase{"\r\n", "&|", "a\r\nb\r\n", "a&|b&|"}, ReplaceCase{"aa", "b", "aaa", "ba"},
                    ReplaceCase{"A", "b", "aA", "ab"}, ReplaceCase{"x", "xx", "xyx", "xxyxx"},
                    ReplaceCase{"q", "z", "abc", "abc"}, ReplaceCase{"", "z", "abc", "abc"}),
    [](const testing::TestParamInfo<ReplaceCase>& info) {
        return TestSupport::ReadableName(QString::fromUtf8(info.param.before)) + "_By_" +
               TestSupport::ReadableName(QString::fromUtf8(info.param.after)) + "_In_" +
               TestSupport::ReadableName(QString::fromUtf8(info.param.target));
    });

TEST(ForbiddenSequence, TheFirstInTheOrderOfTheListIsNamedWhereverItStands)
{
    const struct {
        const char* text;
        const char* found;
    } cases[] = {
        {"plain text", ""},    {"a&|b", "&|"},       {"a&:b", "&:"}, {"a\\|b", "\\|"},
        {"\\| then &:", "&:"}, {"&: then &|", "&|"}, {"&&|", "&|"},  {"& | &", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TParvaneNetwork::ForbiddenSequenceIn(QString::fromUtf8(c.text)),
                  QString::fromUtf8(c.found));
    }
}

class Scrambling : public testing::Test {
protected:
    void TearDown() override { SystemClock::SetRandomSource({}); }
};

TEST_F(Scrambling, UsesTheOffsetAndUpperCaseHex)
{
    SystemClock::SetRandomSource([](int) { return 0; });
    EXPECT_EQ(TParvaneNetwork::StringToPassword("abc"), "32939495");
    EXPECT_EQ(TParvaneNetwork::StringToPassword(""), "32");
    SystemClock::SetRandomSource([](int below) { return below - 1; });
    // Offset 199 (C7); bytes wrap around modulo 256.
    EXPECT_EQ(TParvaneNetwork::StringToPassword(QString::fromUtf8("\x7f")), "C746");
}

TEST_F(Scrambling, RoundTripsOnceAndTwice)
{
    const QStringList texts{"", "p", "password", QString::fromUtf8("日本語のパスワード"), "&|\r\n", "ｱｲｳ"};
    for (const QString& text : texts) {
        const QString once = TParvaneNetwork::StringToPassword(text);
        EXPECT_EQ(once.size(), 2 + 2 * AnsiCodePage::ByteLength(text));
        EXPECT_EQ(TParvaneNetwork::PasswordToString(once), text);
        const QString twice = TParvaneNetwork::StringToPassword(TParvaneNetwork::StringToPassword(text));
        EXPECT_EQ(TParvaneNetwork::PasswordToString(TParvaneNetwork::PasswordToString(twice)), text);
    }
}

TEST_F(Scrambling, OffsetIsRandom)
{
    QSet<QString> seen;
    for (int i = 0; i < 20; ++i)
        seen.insert(TParvaneNetwork::StringToPassword("same"));
    EXPECT_GT(seen.size(), 1);
}

struct UnscrambleCase {
    const char* stored;
    const char* expected;
};

void PrintTo(const UnscrambleCase& c, std::ostream* os)
{
    *os << "stored \"" << c.stored << '"';
}

class Unscramble : public testing::TestWithParam<UnscrambleCase> {};

TEST_P(Unscramble, MalformedFormsGiveEmpty)
{
    EXPECT_EQ(TParvaneNetwork::PasswordToString(GetParam().stored), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Forms, Unscramble,
                         testing::Values(UnscrambleCase{"32939495", "abc"},
                                         UnscrambleCase{"3293949", ""}, // odd length
                                         UnscrambleCase{"329", ""},     // 3 bytes
                                         UnscrambleCase{"3293", "a"},   // 4 bytes is enough
                                         UnscrambleCase{"32", ""}, UnscrambleCase{"", ""},
                                         UnscrambleCase{"3293G495", ""}, // a non-hexadecimal pair
                                         UnscrambleCase{"ZZ939495", ""}, // a non-hexadecimal offset
                                         UnscrambleCase{"32939-95", ""}, UnscrambleCase{"32939495", "abc"},
                                         UnscrambleCase{"3293949a", "ab\x68"}, // lower-case digits
                                         UnscrambleCase{"c8c9", "\x01"}),
                         [](const testing::TestParamInfo<UnscrambleCase>& info) {
                             // Two rows are the same form: the row keeps their names apart.
                             return "Stored" +
                                    TestSupport::ReadableName(QString::fromUtf8(info.param.stored)) + "_Row" +
                                    std::to_string(info.index);
                         });

struct AddressCase {
    const char* input;
    bool valid;
    const char* canonical;
};

void PrintTo(const AddressCase& c, std::ostream* os)
{
    *os << "\"" << c.input << '"';
}

class AddressCheck : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressCheck, AcceptsWhatInetAddrAccepts)
{
    const AddressCase& c = GetParam();
    QString text = QString::fromUtf8(c.input);
    EXPECT_EQ(TParvaneNetwork::IPAddressCheck(text), c.valid);
    EXPECT_EQ(text, QString::fromUtf8(c.valid ? c.canonical : c.input));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AddressCheck,
    testing::Values(AddressCase{"192.168.1.2", true, "192.168.1.2"}, AddressCase{"10.1", true, "10.0.0.1"},
                    AddressCase{"10.1.2", true, "10.1.0.2"}, AddressCase{"3232235777", true, "192.168.1.1"},
                    AddressCase{"0x7f.1", true, "127.0.0.1"},
                    AddressCase{"0300.0250.01.02", true, "192.168.1.2"},
                    AddressCase{"0XC0.0xa8.0.1", true, "192.168.0.1"}, AddressCase{"0", true, "0.0.0.0"},
                    AddressCase{"10.65535", true, "10.0.255.255"}, AddressCase{"1.2.3.4.5", false, ""},
                    AddressCase{"255.255.255.255", false, ""}, AddressCase{"0xffffffff", false, ""},
                    AddressCase{"256.1.1.1", false, ""}, AddressCase{"1.2.3.256", false, ""},
                    AddressCase{"10.16777216", false, ""}, AddressCase{"4294967296", false, ""},
                    AddressCase{"08.1.1.1", false, ""}, AddressCase{"1..2.3", false, ""},
                    AddressCase{"1.2.3.", false, ""}, AddressCase{"", false, ""},
                    AddressCase{"0x", false, ""}, AddressCase{"1.2.3.4 trailing", false, ""},
                    AddressCase{" 1.2.3.4", false, ""}, AddressCase{"1.2.3.4 ", false, ""},
                    AddressCase{"host-name", false, ""}, AddressCase{"-1.2.3.4", false, ""},
                    AddressCase{"１.2.3.4", false, ""}),
    [](const testing::TestParamInfo<AddressCase>& info) {
        return "Address" + TestSupport::ReadableName(QString::fromUtf8(info.param.input));
    });

TEST(DomainToIPAddress, ResolvesAddressesAndRefusesUnknownNames)
{
    EXPECT_EQ(TParvaneNetwork::DomainToIPAddress("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(TParvaneNetwork::DomainToIPAddress("localhost"), "127.0.0.1");
    EXPECT_EQ(TParvaneNetwork::DomainToIPAddress("no-such-host.invalid"), "");
    EXPECT_EQ(TParvaneNetwork::DomainToIPAddress(""), "");
}

TEST(LocalHost, NameIsTheNodeNameCutAt15)
{
    const QString name = TParvaneNetworkSeam::MachineName();
    EXPECT_FALSE(name.isEmpty());
    EXPECT_LE(name.size(), 15);
}

TEST(LocalHost, AddressesOfAHostOnTheTestLanExcludeLoopback)
{
    TestLan lan(2);
    ASSERT_TRUE(lan.IsReady()) << qPrintable(lan.Error());
    const QStringList addresses = lan.In(1, [] { return TParvaneNetworkSeam::LocalAddresses(); });
    EXPECT_EQ(addresses, QStringList{lan.Address(1)});
    const QString name = lan.In(1, [] { return TParvaneNetworkSeam::MachineName(); });
    EXPECT_EQ(name, lan.MachineName(1));
}

} // namespace
