// The program in host 1 of a test LAN, a colleague (a pvnpeer copy) in host 2,
// and in host 3 a hostile machine that gives its datagrams any source address:
// the colleague's messages of several datagrams still arrive whole and only as
// the colleague wrote them.
#include "AnsiCodePage.h"
#include "ForgedDatagram.h"
#include "LogFile.h"
#include "ParvaneNetwork.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QFile>
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

} // namespace
