#include "FileTransferStream.h"

#include "AnsiCodePage.h"
#include "TestNames.h"
#include "TransferNumbers.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

using namespace FileTransferStream;

FileOffer SampleOffer()
{
    FileOffer offer;
    offer.sHandleName = QStringLiteral("表示名");
    offer.sMachineName = QStringLiteral("PVHOST1");
    offer.sDiscrimination = QStringLiteral("Parvane2");
    offer.sFileName = QStringLiteral("ソフト表.txt");
    offer.iFileSize = 5'000'000'000; // beyond 32 bits
    offer.sComment = QStringLiteral("コメント");
    return offer;
}

TEST(FileOfferHeader, IsTheDocumentedLine)
{
    FileOffer offer;
    offer.sHandleName = "H";
    offer.sMachineName = "M";
    offer.sDiscrimination = "D";
    offer.sFileName = "a.txt";
    offer.iFileSize = 12;
    offer.sComment = "c";
    EXPECT_EQ(BuildOfferHeader(offer), QByteArray("PVNFILESTART:&|H&|M&|D&|a.txt&|12&|c&|\\|\r\n"));
}

TEST(FileOfferHeader, RoundTripsDoubleByteTextAndLargeSizes)
{
    // "ソ" and "表" end in the byte 0x5C, the first byte of the end mark.
    const FileOffer sent = SampleOffer();
    FileOffer got;
    ASSERT_EQ(ParseOfferHeader(BuildOfferHeader(sent), got), HeaderState::Complete);
    EXPECT_EQ(got.sHandleName, sent.sHandleName);
    EXPECT_EQ(got.sMachineName, sent.sMachineName);
    EXPECT_EQ(got.sDiscrimination, sent.sDiscrimination);
    EXPECT_EQ(got.sFileName, sent.sFileName);
    EXPECT_EQ(got.iFileSize, sent.iFileSize);
    EXPECT_EQ(got.sComment, sent.sComment);
}

TEST(FileOfferHeader, EveryPrefixIsIncomplete)
{
    const QByteArray header = BuildOfferHeader(SampleOffer());
    FileOffer got;
    // Up to and including the CR before the last LF.
    for (qsizetype n = 0; n < header.size(); ++n)
        EXPECT_EQ(ParseOfferHeader(header.left(n), got), HeaderState::Incomplete) << n;
    EXPECT_EQ(ParseOfferHeader(header, got), HeaderState::Complete);
}

TEST(FileOfferHeader, DoubleByteCharacterEndingIn5CBeforeABarIsNotTheEnd)
{
    // "表|" is 0x95 0x5C 0x7C: a byte search would take it for the end mark.
    FileOffer got;
    const QByteArray partial = AnsiCodePage::Encode(QStringLiteral("PVNFILESTART:&|表|"));
    EXPECT_EQ(ParseOfferHeader(partial, got), HeaderState::Incomplete);
}

struct BadHeaderCase {
    const char* name;
    QByteArray bytes;
};

class BadHeader : public testing::TestWithParam<BadHeaderCase> {};

TEST_P(BadHeader, IsRefused)
{
    FileOffer got;
    EXPECT_EQ(ParseOfferHeader(GetParam().bytes, got), HeaderState::Bad);
}

INSTANTIATE_TEST_SUITE_P(
    FileOfferHeader, BadHeader,
    testing::Values(BadHeaderCase{"OtherKeyword", "PVNFILESTARTX&|H&|M&|D&|a&|12&|c&|\\|\r\n"},
                    BadHeaderCase{"EmptyKeyword", "&|H&|M&|D&|a&|12&|c&|\\|\r\n"},
                    BadHeaderCase{"SizeZero", "PVNFILESTART:&|H&|M&|D&|a&|0&|c&|\\|\r\n"},
                    BadHeaderCase{"SizeNegative", "PVNFILESTART:&|H&|M&|D&|a&|-5&|c&|\\|\r\n"},
                    BadHeaderCase{"SizeNotANumber", "PVNFILESTART:&|H&|M&|D&|a&|12x&|c&|\\|\r\n"},
                    BadHeaderCase{"SizeMissing", "PVNFILESTART:&|H&|M&|D&|a&|\\|\r\n"},
                    BadHeaderCase{"SizeOverflows",
                                  "PVNFILESTART:&|H&|M&|D&|a&|9223372036854775808&|c&|\\|\r\n"},
                    BadHeaderCase{"ZeroByte", QByteArray("PVNFILESTART:&|H\0&|M&|D&|a&|12&|c&|\\|\r\n", 39)},
                    BadHeaderCase{"EndlessWithoutEndMark", QByteArray(kMaxHeaderBytes, 'x')},
                    BadHeaderCase{"EndMarkPastTheCap", "PVNFILESTART:&|H&|M&|D&|a&|12&|" +
                                                           QByteArray(kMaxHeaderBytes, 'c') + "&|\\|\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileOfferHeader, HeaderJustUnderTheCapIsTaken)
{
    QByteArray header = "PVNFILESTART:&|H&|M&|D&|a&|12&|";
    header += QByteArray(kMaxHeaderBytes - header.size() - 6, 'c') + "&|\\|\r\n";
    ASSERT_EQ(header.size(), kMaxHeaderBytes);
    FileOffer got;
    EXPECT_EQ(ParseOfferHeader(header, got), HeaderState::Complete);
    EXPECT_EQ(got.sComment.size(), kMaxHeaderBytes - 37);
    // One byte more and the line end no longer fits.
    EXPECT_EQ(ParseOfferHeader("x" + header, got), HeaderState::Bad);
}

TEST(PositiveSize, TakesOnlyPlainDecimals)
{
    EXPECT_EQ(ParsePositiveSize("1"), 1);
    EXPECT_EQ(ParsePositiveSize("2147483648"), 2147483648LL);
    EXPECT_EQ(ParsePositiveSize("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParsePositiveSize(""), 0);
    EXPECT_EQ(ParsePositiveSize(" 1"), 0);
    EXPECT_EQ(ParsePositiveSize("+1"), 0);
    EXPECT_EQ(ParsePositiveSize("0x10"), 0);
    EXPECT_EQ(ParsePositiveSize("１"), 0); // a full-width digit
}

struct NameCase {
    const char* offered;
    const char* kept; // empty: refused
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << "offered \"" << c.offered << '"';
}

class OfferedName : public testing::TestWithParam<NameCase> {};

TEST_P(OfferedName, KeepsOnlyASafeLastPart)
{
    EXPECT_EQ(SafeOfferedName(QString::fromUtf8(GetParam().offered)), QString::fromUtf8(GetParam().kept));
}

INSTANTIATE_TEST_SUITE_P(FileOfferHeader, OfferedName,
                         testing::Values(NameCase{"report.txt", "report.txt"}, NameCase{"../x", "x"},
                                         NameCase{"/etc/x", "x"}, NameCase{"a/b", "b"},
                                         NameCase{"..\\x", "x"},
                                         NameCase{"C:\\Users\\me\\写真.jpg", "写真.jpg"},
                                         NameCase{"...", "..."}, NameCase{".", ""}, NameCase{"..", ""},
                                         NameCase{"", ""}, NameCase{"dir/", ""}, NameCase{"a/..", ""},
                                         NameCase{"bad\nname", ""}, NameCase{"tab\tname", ""},
                                         NameCase{"del\x7fname", ""}),
                         [](const testing::TestParamInfo<NameCase>& info) {
                             return TestSupport::ReadableName(QString::fromUtf8(info.param.offered));
                         });

TEST(OfferedNameLength, CountsTheFileSystemBytes)
{
    EXPECT_EQ(SafeOfferedName(QString(255, 'a')), QString(255, 'a'));
    EXPECT_EQ(SafeOfferedName(QString(256, 'a')), QString());
    // 85 characters of three bytes each fit, 86 do not.
    EXPECT_EQ(SafeOfferedName(QString(85, QChar(0x5199))).size(), 85);
    EXPECT_EQ(SafeOfferedName(QString(86, QChar(0x5199))), QString());
    EXPECT_EQ(SafeOfferedName("dir/" + QString(255, 'a')), QString(255, 'a'));
}

constexpr Reply kNothing{false, false};
constexpr Reply kAccepted{true, false};
constexpr Reply kEnded{false, true};

TEST(ReceiverReply, FindsLinesSplitAcrossReads)
{
    QByteArray pending;
    EXPECT_EQ(ScanReply(pending, "PVNFILES"), kNothing);
    EXPECT_EQ(ScanReply(pending, "TART:OK\r"), kNothing);
    EXPECT_EQ(ScanReply(pending, "\n"), kAccepted);
    EXPECT_TRUE(pending.isEmpty());
    EXPECT_EQ(ScanReply(pending, "PVNFILEEND:\r"), kNothing);
    EXPECT_EQ(ScanReply(pending, "\n"), kEnded);
}

TEST(ReceiverReply, BothLinesInOneReadAreBothSeenAndALineWithoutItsEndIsNothing)
{
    QByteArray pending;
    EXPECT_EQ(ScanReply(pending, "PVNFILESTART:OK\r\nPVNFILEEND:\r\n"), (Reply{true, true}));
    EXPECT_EQ(ScanReply(pending, "PVNFILESTART:OK\n"), kNothing);
    EXPECT_EQ(ScanReply(pending, "PVNFILEEND:"), kNothing);
}

TEST(ReceiverReply, EndlessChatterDoesNotGrowTheBuffer)
{
    QByteArray pending;
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(ScanReply(pending, QByteArray(4096, 'z')), kNothing);
    EXPECT_LT(pending.size(), 64);
    EXPECT_EQ(ScanReply(pending, "PVNFILEEND:\r\n"), kEnded);
}

TEST(TransferNumbers, AreNeverZeroMinusOneOrRepeated)
{
    std::int32_t next = 1;
    QSet<int> seen;
    for (int i = 0; i < 10000; ++i) {
        const int n = TakeTransferNumber(next);
        ASSERT_NE(n, 0);
        ASSERT_NE(n, -1);
        ASSERT_FALSE(seen.contains(n));
        seen.insert(n);
    }
}

TEST(TransferNumbers, RunOutInsteadOfWrappingAround)
{
    std::int32_t next = INT32_MAX - 1;
    EXPECT_EQ(TakeTransferNumber(next), INT32_MAX - 1);
    EXPECT_EQ(TakeTransferNumber(next), INT32_MAX);
    EXPECT_EQ(TakeTransferNumber(next), 0);
    EXPECT_EQ(TakeTransferNumber(next), 0);
}

} // namespace
