// The send window's rules without the window: counter, checks, cut, quoting, targets.
#include "SendRules.h"

#include "AnsiCodePage.h"
#include "BoxFlags.h"
#include "MessageBox.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QString kA = QStringLiteral("a");
const QString kKana = QStringLiteral("あ");

struct CounterCase {
    QString sText;
    QString sExpected;
    bool bOver;
};

TEST(SendRulesTest, CounterCountsBytesOfTheWireText)
{
    const CounterCase cases[] = {
        {QString(), QStringLiteral("残り送信可能バイト数：2048 Byte"), false},
        {kA.repeated(2048), QStringLiteral("残り送信可能バイト数：0 Byte"), false},
        {kA.repeated(2049), QStringLiteral("送信可能バイト数が 1 Byte 超えています"), true},
        {kKana.repeated(1024), QStringLiteral("残り送信可能バイト数：0 Byte"), false},
        {kKana.repeated(1025), QStringLiteral("送信可能バイト数が 2 Byte 超えています"), true},
        // A line break of the edit counts the two bytes it takes on the wire.
        {EditTextToWire(QStringLiteral("a\nb")), QStringLiteral("残り送信可能バイト数：2044 Byte"), false},
    };
    for (const CounterCase& c : cases) {
        const TByteCounter counter = ByteCounterText(c.sText);
        EXPECT_EQ(counter.sText, c.sExpected) << c.sText.size();
        EXPECT_EQ(counter.bOver, c.bOver) << c.sText.size();
    }
}

TEST(SendRulesTest, EditAndWireBreakLinesTheirOwnWay)
{
    EXPECT_EQ(EditTextToWire(QStringLiteral("a\nb\n")), QStringLiteral("a\r\nb\r\n"));
    // A text that already holds CR LF is not doubled.
    EXPECT_EQ(EditTextToWire(QStringLiteral("a\r\nb")), QStringLiteral("a\r\nb"));
    EXPECT_EQ(WireTextToEdit(QStringLiteral("a\r\nb\r\n")), QStringLiteral("a\nb\n"));
}

struct CutCase {
    const char* sName;
    QString sText;
    QString sExpected;
};

TEST(SendRulesTest, CutKeepsWholeCharactersThenTrims)
{
    const CutCase cases[] = {
        {"single bytes", kA.repeated(3000), kA.repeated(2048)},
        {"double bytes", kKana.repeated(1500), kKana.repeated(1024)},
        // The 2048th byte would be the first half of "あ": it goes whole.
        {"half a character", kA.repeated(2047) + kKana + kA, kA.repeated(2047)},
        {"blanks at the cut",
         QStringLiteral("  ") + kA.repeated(2040) + QStringLiteral(" \r\n\t  x").repeated(9),
         kA.repeated(2040)},
    };
    for (const CutCase& c : cases) {
        const QString sCut = MessageByteCut(c.sText);
        EXPECT_EQ(sCut, c.sExpected) << c.sName;
        EXPECT_LE(AnsiCodePage::ByteLength(sCut), MaxMessageByte) << c.sName;
        // Every character survives the round trip through the code page.
        EXPECT_EQ(AnsiCodePage::Decode(AnsiCodePage::Encode(sCut)), sCut) << c.sName;
    }
}

TEST(SendRulesTest, QuotingPrefixesEveryLine)
{
    EXPECT_EQ(QuoteText(QStringLiteral("a\r\nb\r\nc\r\nd")), QStringLiteral("> a\r\n> b\r\n> c\r\n> d\r\n"));
    EXPECT_EQ(QuoteText(QStringLiteral("abc\r\n")), QStringLiteral("> abc\r\n> \r\n"));
    EXPECT_EQ(SendOpeningText(QString(), true), QString());
    EXPECT_EQ(SendOpeningText(QStringLiteral("x\r\n"), false), QStringLiteral("x\r\n"));
    // Cut to the edit's 2048 characters: the added line break goes with the cut.
    const QString sLong = SendOpeningText(kA.repeated(2046), true);
    EXPECT_EQ(sLong.size(), 2048);
    EXPECT_EQ(sLong, QStringLiteral("> ") + kA.repeated(2046));
}

TEST(SendRulesTest, TargetListsEndAtTheFirstEmptyMachineName)
{
    EXPECT_TRUE(SendTargetsSplit(QString(), QString()).empty());
    const std::vector<TSendTarget> two = SendTargetsSplit(QStringLiteral("A&|B"), QStringLiteral("x&|y"));
    EXPECT_EQ(two, (std::vector<TSendTarget>{{"A", "x"}, {"B", "y"}}));
    EXPECT_EQ(SendTargetsSplit(QStringLiteral("A&|&|B"), QStringLiteral("x&|y&|z")).size(), 1u);
    // A list beyond an 8-bit field number keeps every entry, none twice.
    QStringList slMachines, slIds;
    for (int i = 0; i < 300; ++i) {
        slMachines << QStringLiteral("M%1").arg(i);
        slIds << QStringLiteral("Parvane2");
    }
    const std::vector<TSendTarget> many = SendTargetsSplit(slMachines.join("&|"), slIds.join("&|"));
    ASSERT_EQ(many.size(), 300u);
    EXPECT_EQ(many[256].sMachine, QStringLiteral("M256"));
    EXPECT_EQ(many[299].sMachine, QStringLiteral("M299"));
}

struct CheckCase {
    const char* sName;
    bool bLoggedIn;
    QString sText;
    bool bLetter;
    TTargetVersions versions;
    std::vector<int> answers; // for the questions, in order
    TSendCheck expected;
    QStringList slBoxStarts; // the beginning of each box shown, in order
    bool bCut;
};

TEST(SendRulesTest, ChecksRunInOrderAndStopAtTheFirstRefusal)
{
    using MessageBox::IDNO;
    using MessageBox::IDYES;
    const QString sLong = kA.repeated(2049);
    const CheckCase cases[] = {
        {"offline before empty",
         false,
         QString(),
         false,
         {},
         {},
         TSendCheck::Offline,
         {"オフライン状態"},
         false},
        {"empty", true, QString(), false, {}, {}, TSendCheck::Empty, {"メッセージを入力"}, false},
        {"exactly 2048 bytes", true, kA.repeated(2048), false, {}, {}, TSendCheck::Send, {}, false},
        {"too long, kept", true, sLong, false, {}, {IDNO}, TSendCheck::TooLongKept, {"一度に送信"}, false},
        {"too long, cut", true, sLong, false, {}, {IDYES}, TSendCheck::Send, {"一度に送信"}, true},
        {"forbidden after the cut",
         true,
         QStringLiteral("&|") + sLong,
         false,
         {},
         {IDYES},
         TSendCheck::Forbidden,
         {"一度に送信", "メッセージ内に「&|」"},
         true},
        {"&| before &:",
         true,
         QStringLiteral("a&:b&|c"),
         false,
         {},
         {},
         TSendCheck::Forbidden,
         {"メッセージ内に「&|」"},
         false},
        {"&:",
         true,
         QStringLiteral("a&:b"),
         false,
         {},
         {},
         TSendCheck::Forbidden,
         {"メッセージ内に「&:」"},
         false},
        {"\\|",
         true,
         QStringLiteral("a\\|b"),
         false,
         {},
         {},
         TSendCheck::Forbidden,
         {"メッセージ内に「\\|」"},
         false},
        {"old peers asked once",
         true,
         kA,
         true,
         {2100, 2100},
         {IDYES},
         TSendCheck::Send,
         {"送信先に封書"},
         false},
        {"old peer refused",
         true,
         kA,
         true,
         {2200, 2100},
         {IDNO},
         TSendCheck::OldPeerKept,
         {"送信先に封書"},
         false},
        {"the first version with letters not asked", true, kA, true, {2110}, {}, TSendCheck::Send, {}, false},
        {"the last version without letters asked",
         true,
         kA,
         true,
         {2109},
         {IDYES},
         TSendCheck::Send,
         {"送信先に封書"},
         false},
        {"unlisted peer not asked", true, kA, true, {-1}, {}, TSendCheck::Send, {}, false},
        {"a message is not asked", true, kA, false, {2100}, {}, TSendCheck::Send, {}, false},
    };
    for (const CheckCase& c : cases) {
        std::vector<int> answers = c.answers;
        QStringList slBoxes;
        const TSendCheckResult result =
            SendCheck(c.bLoggedIn, c.sText, c.bLetter, c.versions, [&](const QString& sText, int iFlags) {
                slBoxes << sText;
                if (!(iFlags & MessageBox::MB_YESNO))
                    return MessageBox::IDOK;
                EXPECT_FALSE(answers.empty()) << c.sName;
                const int iAnswer = answers.empty() ? IDNO : answers.front();
                if (!answers.empty())
                    answers.erase(answers.begin());
                return iAnswer;
            });
        EXPECT_EQ(result.Result, c.expected) << c.sName;
        EXPECT_EQ(result.bCut, c.bCut) << c.sName;
        ASSERT_EQ(slBoxes.size(), c.slBoxStarts.size()) << c.sName;
        for (qsizetype i = 0; i < slBoxes.size(); ++i)
            EXPECT_TRUE(slBoxes[i].startsWith(c.slBoxStarts[i])) << c.sName << ": " << qPrintable(slBoxes[i]);
        if (!c.bCut)
            EXPECT_EQ(result.sText, c.sText) << c.sName;
        else
            EXPECT_EQ(AnsiCodePage::ByteLength(result.sText), 2048) << c.sName;
    }
}

TEST(SendRulesTest, TheLengthQuestionDefaultsToNo)
{
    int iFlags = 0;
    SendCheck(true, kA.repeated(2049), false, {}, [&](const QString&, int i) {
        iFlags = i;
        return MessageBox::IDNO;
    });
    EXPECT_EQ(iFlags & TestSupport::BoxShapeMask,
              MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2);
}

} // namespace
