#include "DatagramFraming.h"

#include "ParvaneNetwork.h"
#include "SystemClock.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using namespace DatagramFraming;

// The scrambled form with the offset the fixed random source gives (50 + 0 = 0x32).
QByteArray ScrambledWithOffset32(const QByteArray& bytes)
{
    QByteArray out = "32";
    for (char c : bytes)
        out += QByteArray::number((static_cast<unsigned char>(c) + 0x32) & 0xFF, 16)
                   .toUpper()
                   .rightJustified(2, '0');
    return out;
}

class FixedRandom : public testing::Test {
protected:
    void SetUp() override
    {
        SystemClock::SetRandomSource([](int) { return 0; });
    }
    void TearDown() override { SystemClock::SetRandomSource({}); }
};

struct FrameCase {
    const char* name;
    QByteArray body;
    bool scramble;
    QByteArray framed;
};

void PrintTo(const FrameCase& c, std::ostream* os)
{
    *os << c.name;
}

class Framing : public FixedRandom, public testing::WithParamInterface<FrameCase> {};

TEST_P(Framing, BodyGetsItsFlagLengthAndEscapes)
{
    EXPECT_EQ(FrameRecord(GetParam().body, GetParam().scramble), GetParam().framed);
}

INSTANTIATE_TEST_SUITE_P(
    Records, Framing,
    testing::Values(
        FrameCase{"Plain", "abc", false, "0    3abc"}, FrameCase{"Empty", "", false, "0    0"},
        // Same length after the escape, so the header counts the line break as two bytes.
        FrameCase{"LineBreakEscaped", "a\r\nb", false, "0    4a\\|b"},
        FrameCase{"LoneBreaksStay", "a\rb\nc", false, "0    5a\rb\nc"},
        FrameCase{"DoubleByteTextCountsBytes", "\x83\x5c\x95\x5c", false, "0    4\x83\x5c\x95\x5c"},
        FrameCase{"Scrambled", "abc", true, "1" + ScrambledWithOffset32("    3abc")},
        FrameCase{"ScrambledAfterTheEscape", "\r\n", true, "1" + ScrambledWithOffset32("    2\\|")}),
    [](const testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

struct CutCase {
    const char* name;
    int framedBytes;
    int maxDatagram;
    std::vector<int> datagramSizes; // empty: refused whole
};

void PrintTo(const CutCase& c, std::ostream* os)
{
    *os << c.name;
}

class Cutting : public testing::TestWithParam<CutCase> {};

TEST_P(Cutting, DatagramsAreNumberedPiecesWithAZeroAfterEach)
{
    QByteArray framed;
    for (int i = 0; i < GetParam().framedBytes; ++i)
        framed.append(static_cast<char>('a' + i % 26));
    const std::vector<QByteArray> datagrams = CutIntoDatagrams(framed, GetParam().maxDatagram);
    std::vector<int> sizes;
    QByteArray joined;
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
        const QByteArray& d = datagrams[i];
        sizes.push_back(static_cast<int>(d.size()));
        ASSERT_GE(d.size(), 3);
        EXPECT_EQ(static_cast<unsigned char>(d[0]), i + 1);
        EXPECT_EQ(d.back(), '\0');
        joined += d.mid(1, d.size() - 2);
    }
    EXPECT_EQ(sizes, GetParam().datagramSizes);
    if (!datagrams.empty()) {
        EXPECT_EQ(joined, framed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Cutting,
    testing::Values(CutCase{"OneByte", 1, 256, {3}}, CutCase{"OneFullDatagram", 254, 256, {256}},
                    CutCase{"OneByteMore", 255, 256, {256, 3}}, CutCase{"TwoFull", 508, 256, {256, 256}},
                    CutCase{"SmallDatagrams", 5, 4, {4, 4, 3}}, CutCase{"NoRoomForAPiece", 10, 2, {}},
                    CutCase{"LastCountableFragment", 255 * 254, 256, std::vector<int>(255, 256)},
                    CutCase{"OneFragmentTooMany", 255 * 254 + 1, 256, {}}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    QByteArray datagram;
    std::optional<Fragment> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class Reading : public testing::TestWithParam<ReadCase> {};

TEST_P(Reading, NumberPlacesThePieceThatEndsAtTheFirstZero)
{
    const std::optional<Fragment> got = ReadDatagram(GetParam().datagram);
    ASSERT_EQ(got.has_value(), GetParam().expected.has_value());
    if (!got)
        return;
    EXPECT_EQ(got->Index, GetParam().expected->Index);
    EXPECT_EQ(got->Piece, GetParam().expected->Piece);
}

INSTANTIATE_TEST_SUITE_P(
    Datagrams, Reading,
    testing::Values(ReadCase{"Empty", QByteArray(), std::nullopt},
                    ReadCase{"NumberAlone", QByteArray("\x01", 1), std::nullopt},
                    ReadCase{"ZeroRightAfterTheNumber", QByteArray("\x01\x00xyz", 5), std::nullopt},
                    ReadCase{"First",
                             QByteArray("\x01"
                                        "abc\0",
                                        5),
                             Fragment{0, "abc"}},
                    ReadCase{"Second",
                             QByteArray("\x02"
                                        "abc\0",
                                        5),
                             Fragment{1, "abc"}},
                    ReadCase{"WithoutItsZero",
                             QByteArray("\x01"
                                        "abc",
                                        4),
                             Fragment{0, "abc"}},
                    ReadCase{"BytesAfterTheZeroIgnored",
                             QByteArray("\x01"
                                        "ab\0cd",
                                        6),
                             Fragment{0, "ab"}},
                    ReadCase{"NumberZeroGoesLast",
                             QByteArray("\x00"
                                        "x",
                                        2),
                             Fragment{255, "x"}},
                    ReadCase{"Number255",
                             QByteArray("\xff"
                                        "x",
                                        2),
                             Fragment{254, "x"}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct UnframeCase {
    const char* name;
    QByteArray joined;
    RecordState state;
    QByteArray body; // when complete
};

void PrintTo(const UnframeCase& c, std::ostream* os)
{
    *os << c.name;
}

class Unframing : public testing::TestWithParam<UnframeCase> {};

TEST_P(Unframing, JoinedPiecesAreCompleteIncompleteOrBad)
{
    QByteArray body = "untouched";
    EXPECT_EQ(UnframeRecord(GetParam().joined, body), GetParam().state);
    EXPECT_EQ(body, GetParam().state == RecordState::Complete ? GetParam().body : QByteArray("untouched"));
}

INSTANTIATE_TEST_SUITE_P(
    Records, Unframing,
    testing::Values(
        UnframeCase{"Nothing", "", RecordState::Incomplete, {}},
        UnframeCase{"FlagAlone", "0", RecordState::Incomplete, {}},
        UnframeCase{"Plain", "0    3abc", RecordState::Complete, "abc"},
        UnframeCase{"EmptyBody", "0    0", RecordState::Complete, ""},
        UnframeCase{"ShortOfItsLength", "0    3ab", RecordState::Incomplete, {}},
        UnframeCase{"HalfAHeader", "0   ", RecordState::Incomplete, {}},
        // Bytes past the length are another record's: the record they end is no record.
        UnframeCase{"BytesPastTheLength", "0    3abcdef", RecordState::Bad, {}},
        UnframeCase{"OneBytePastTheLength", "0    3abcd", RecordState::Bad, {}},
        UnframeCase{"EscapeIsALineBreak", "0    4a\\|b", RecordState::Complete, "a\r\nb"},
        UnframeCase{"PlusSign", "0   +3abc", RecordState::Complete, "abc"},
        UnframeCase{"ZeroPadded", "000003abc", RecordState::Complete, "abc"},
        UnframeCase{"NegativeLength", "0   -3abc", RecordState::Bad, {}},
        UnframeCase{"BlankHeader", "0     abc", RecordState::Bad, {}},
        UnframeCase{"BlankAfterTheNumber", "0   3 abc", RecordState::Bad, {}},
        UnframeCase{"LettersAsLength", "0abcdeabc", RecordState::Bad, {}},
        // Any flag but "1" reads as plain, as every copy has always done.
        UnframeCase{"OtherFlagReadsPlain", "x    3abc", RecordState::Complete, "abc"},
        UnframeCase{"Scrambled", "1" + ScrambledWithOffset32("    3abc"), RecordState::Complete, "abc"},
        UnframeCase{"ScrambledEscape", "1" + ScrambledWithOffset32("    2\\|"), RecordState::Complete,
                    "\r\n"},
        UnframeCase{"ScrambledOddLength",
                    "1" + ScrambledWithOffset32("    3abc").chopped(1),
                    RecordState::Incomplete,
                    {}},
        UnframeCase{
            "ScrambledShortOfItsLength", "1" + ScrambledWithOffset32("    3ab"), RecordState::Incomplete, {}},
        UnframeCase{"ScrambledPastItsLength", "1" + ScrambledWithOffset32("    3abcd"), RecordState::Bad, {}},
        UnframeCase{"ScrambledNotHexadecimal", "1ZZ0102030405", RecordState::Bad, {}}),
    [](const testing::TestParamInfo<UnframeCase>& info) { return std::string(info.param.name); });

// Every size up to a few datagrams, both forms: framed, cut, read and joined again it is the same body.
TEST_F(FixedRandom, EveryBodyComesBackWhole)
{
    for (const bool scramble : {false, true}) {
        for (int size = 0; size < 600; size += 7) {
            QByteArray sent;
            for (int i = 0; i < size; ++i)
                sent.append(i % 50 == 3 ? '\r' : i % 50 == 4 ? '\n' : static_cast<char>(0x81 + i % 100));
            QByteArray joined;
            for (const QByteArray& d : CutIntoDatagrams(FrameRecord(sent, scramble), 256)) {
                const std::optional<Fragment> f = ReadDatagram(d);
                ASSERT_TRUE(f);
                joined += f->Piece;
            }
            QByteArray got;
            ASSERT_EQ(UnframeRecord(joined, got), RecordState::Complete) << size << scramble;
            EXPECT_EQ(got, sent) << size << scramble;
        }
    }
}

} // namespace
