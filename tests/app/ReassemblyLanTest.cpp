// The program in host 1 of a test LAN, a colleague (a pvnpeer copy) in host 2,
// and in host 3 a hostile machine that gives its datagrams any source address:
// the colleague's messages of several datagrams still arrive whole and only as
// the colleague wrote them, also when the network delivers one of their
// datagrams twice.
#include "AnsiCodePage.h"
#include "DatagramFraming.h"
#include "ForgedDatagram.h"
#include "LogFile.h"
#include "ParvaneNetwork.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "Stamps.h"
#include "TestLan.h"

#include <QFile>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using TestSupport::ForgedDatagram;

constexpr int kPort = 51000;
// A receipt goes back at once; the bound only spares a loaded machine.
constexpr int kReceiptWaitMs = 20000;

// The pieces of a record ride in datagrams of this many bytes at most.
constexpr int kPieceBytes = 254;

QByteArray Settings()
{
    return "[Option]\r\nHandleName=Gamma\r\nCustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=10\r\n"
           "Top=10\r\nWidth=560\r\nHeight=200\r\n";
}

// A lone second piece that would end any record it joined with the mark.
QByteArray PlantedPiece(const QByteArray& mark)
{
    QByteArray piece;
    while (piece.size() < kPieceBytes - mark.size())
        piece += mark;
    return QByteArray(1, '\x02') + piece + QByteArray(1, '\0');
}

class ReassemblyLan : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool;
        ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
        ASSERT_TRUE(FProgram.Start(Settings()));
        ASSERT_TRUE(FColleague.StartLoggedIn(FLan, 1, QStringLiteral("同僚")));
        std::optional<QStringList> login;
        while ((login = FColleague.WaitEvent(QStringLiteral("OnLogin"))) &&
               login->value(0) != QStringLiteral("Gamma")) {
        }
        ASSERT_TRUE(login.has_value()) << "the colleague never saw the program";
        ASSERT_TRUE(FForger.IsOpen()) << qPrintable(FForger.Error());
    }

    // The colleague's message, long enough for two datagrams; true once its receipt is back.
    testing::AssertionResult ColleagueSendsAndIsAcknowledged(const QString& sText)
    {
        const QString sId =
            FColleague.Call(QStringLiteral("MessageSend"),
                            {sText, FLan.Address(0), QStringLiteral("Parvane2"), QStringLiteral("0")});
        if (sId == QStringLiteral("?") || sId.isEmpty())
            return testing::AssertionFailure() << "MessageSend failed";
        const auto receipt = FColleague.WaitEvent(QStringLiteral("OnMessageOk"), kReceiptWaitMs);
        if (!receipt)
            return testing::AssertionFailure() << "no receipt";
        if (receipt->value(0) != sId)
            return testing::AssertionFailure() << "the receipt of another message";
        return testing::AssertionSuccess();
    }

    // The records of the log whose text is sText.
    int LoggedTimes(const QString& sText)
    {
        int n = 0;
        for (const TLogRecord& record : LogRecordsRead(LogBytes()))
            n += record.sText == sText;
        return n;
    }

    QByteArray LogBytes()
    {
        QFile log(FProgram.FilePath(QStringLiteral("Parvane2.LOG")));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    TestLan FLan{3};
    TestSupport::ProgramCopy FProgram{FLan, 0};
    TestSupport::PeerProcess FColleague;
    ForgedDatagram FForger{FLan, 2};
};

// A piece planted with the colleague's address waits; the colleague's next
// message is shown and logged as the colleague wrote it, and only once.
TEST_F(ReassemblyLan, APlantedPieceNeverAppearsInAMessageTheWindowOrTheLog)
{
    ASSERT_TRUE(FForger.Send(FLan.Address(1), FLan.Address(0), kPort, PlantedPiece("PLANTED")))
        << qPrintable(FForger.Error());
    // The attack is a piece that waits for the colleague's next message: let it
    // be older than any piece the wire could have put out of order.
    QThread::msleep(TParvaneNetwork::RecvPieceLeadMs + 500);

    const QString sText = QString(150, u'本') + QStringLiteral("おわり");
    ASSERT_GT(AnsiCodePage::Encode(sText).size(), kPieceBytes);
    ASSERT_TRUE(ColleagueSendsAndIsAcknowledged(sText));

    ASSERT_TRUE(TestSupport::PollFor([&] { return LogRecordsRead(LogBytes()).size() >= 1; }, 10000));
    const QList<TLogRecord> records = LogRecordsRead(LogBytes());
    ASSERT_EQ(records.size(), 1);
    EXPECT_TRUE(records[0].sText == sText) << "it ends " << qPrintable(records[0].sText.right(20));
    EXPECT_FALSE(LogBytes().contains("PLANTED"));
    EXPECT_EQ(FProgram.Find(QStringLiteral("PLANTED")), QString()) << "a window shows the planted piece";
}

// Four lone pieces from each of five addresses no host holds take every slot:
// the colleague's message of two datagrams is received and acknowledged all the same.
TEST_F(ReassemblyLan, AColleaguesMessageIsAcknowledgedAfterLonePiecesFromFiveAddresses)
{
    for (int a = 1; a <= 5; ++a) {
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(FForger.Send(QStringLiteral("198.18.6.%1").arg(a), FLan.Address(0), kPort,
                                     PlantedPiece("LONE" + QByteArray::number(i))))
                << qPrintable(FForger.Error());
    }
    const QString sText = QString(200, u'字');
    ASSERT_GT(AnsiCodePage::Encode(sText).size(), kPieceBytes);
    ASSERT_TRUE(ColleagueSendsAndIsAcknowledged(sText));
    ASSERT_TRUE(TestSupport::PollFor([&] { return LogRecordsRead(LogBytes()).size() >= 1; }, 10000));
    EXPECT_TRUE(LogRecordsRead(LogBytes()).value(0).sText == sText);
}

// The network now and then delivers a datagram twice. The colleague's message
// arrives with one of its datagrams repeated (as the wire hands it over, from
// the colleague's address ten milliseconds apart), and the colleague sends an
// ordinary message of three datagrams 0.3 s later: both are acknowledged to the
// colleague and logged once.
struct DuplicateCase {
    const char* sName;
    int iPieces;              // the datagrams of the message
    std::vector<int> arrival; // the datagrams as they arrive, 1 for the first
};

void PrintTo(const DuplicateCase& c, std::ostream* os)
{
    *os << c.sName;
}

const DuplicateCase kDuplicates[] = {
    {"SecondTwice", 3, {1, 2, 2, 3}},
    {"FirstAgainAfterTheSecond", 3, {1, 2, 1, 3}},
    {"FourthOfNineTwice", 9, {1, 2, 3, 4, 4, 5, 6, 7, 8, 9}},
    {"FirstTwice", 3, {1, 1, 2, 3}},
    {"LastAgainAfterTheEnd", 3, {1, 2, 3, 3}},
};

class DuplicatedDatagramLan : public ReassemblyLan, public testing::WithParamInterface<DuplicateCase> {
protected:
    // The colleague's message to the program as its copy frames it, in exactly
    // iPieces datagrams, with its message id.
    std::vector<QByteArray> ColleagueMessage(const QString& sId, QChar letter, int iPieces, QString& sText)
    {
        const auto record = [&](const QString& sBody) {
            return Stamps::NewPacketId() +
                   QStringLiteral("PVMESSAGE:MESSAGE&|%1&|Parvane2&|同僚&|%2&|%3&|"
                                  "Parvane2&|%4&|%5&|0")
                       .arg(FLan.Address(0), FLan.MachineName(1), FLan.Address(1), sId, sBody);
        };
        // Half a datagram into the last one.
        const qsizetype iBare = DatagramFraming::FrameRecord(AnsiCodePage::Encode(record({})), false).size();
        sText = QString(kPieceBytes * (iPieces - 1) + kPieceBytes / 2 - iBare, letter);
        return DatagramFraming::CutIntoDatagrams(
            DatagramFraming::FrameRecord(AnsiCodePage::Encode(record(sText)), false), kPieceBytes + 2);
    }
    // Every receipt for the ids reaches the colleague within the bound.
    testing::AssertionResult ReceiptsFor(QSet<QString> ids)
    {
        while (!ids.isEmpty()) {
            const auto receipt = FColleague.WaitEvent(QStringLiteral("OnMessageOk"), kReceiptWaitMs);
            if (!receipt)
                return testing::AssertionFailure() << "no receipt for " << qPrintable(ids.values().join(' '));
            ids.remove(receipt->value(0));
        }
        return testing::AssertionSuccess();
    }
};

TEST_P(DuplicatedDatagramLan, TheMessageAndTheNextAreAcknowledgedAndLoggedOnce)
{
    const DuplicateCase& c = GetParam();
    const QString sId = Stamps::NewMessageId();
    QString sText;
    const std::vector<QByteArray> datagrams = ColleagueMessage(sId, u'd', c.iPieces, sText);
    ASSERT_EQ(datagrams.size(), static_cast<std::size_t>(c.iPieces));
    for (int iPiece : c.arrival) {
        ASSERT_TRUE(FForger.Send(FLan.Address(1), FLan.Address(0), kPort,
                                 datagrams[static_cast<std::size_t>(iPiece - 1)]))
            << qPrintable(FForger.Error());
        // Apart enough that the program reads each on its own, as on a busy wire.
        QThread::msleep(10);
    }
    QThread::msleep(300);

    const QString sNext = QString(2 * kPieceBytes, u'n');
    const QString sNextId =
        FColleague.Call(QStringLiteral("MessageSend"),
                        {sNext, FLan.Address(0), QStringLiteral("Parvane2"), QStringLiteral("0")});
    ASSERT_FALSE(sNextId.isEmpty() || sNextId == QStringLiteral("?"));
    EXPECT_TRUE(ReceiptsFor({sId, sNextId}));

    ASSERT_TRUE(
        TestSupport::PollFor([&] { return LoggedTimes(sText) >= 1 && LoggedTimes(sNext) >= 1; }, 10000));
    EXPECT_EQ(LoggedTimes(sText), 1);
    EXPECT_EQ(LoggedTimes(sNext), 1);
    EXPECT_EQ(LogRecordsRead(LogBytes()).size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, DuplicatedDatagramLan, testing::ValuesIn(kDuplicates),
                         [](const testing::TestParamInfo<DuplicateCase>& info) {
                             return std::string(info.param.sName);
                         });

} // namespace
