// The program in host 1 of a test LAN against a hostile peer in host 2 that
// offers files over raw connections, and a pvnpeer copy in host 3 that checks
// the program still answers. The offers are scripted byte by byte on threads
// of their own; the program's windows are driven by the keyboard.
#include "FileTransferStream.h"
#include "PeerProcess.h"
#include "ProgramCopy.h"
#include "StreamSend.h"
#include "TestLan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using TestSupport::PollFor;
using TestSupport::ProgramCopy;
using TestSupport::SendAll;

constexpr quint16 kFilePort = 52000;
// Generous for a machine that a parallel test run loads; a wait that succeeds returns at once.
constexpr int kScriptWaitMs = 30000;
// Offers that may wait for the user's answer in all; each has its window.
constexpr qsizetype kOffersWaitingMax = 32;

QByteArray Settings()
{
    return "[Option]\r\nHandleName=Gamma\r\nCustomizeStartVersionCheck=0\r\n[MainWindow]\r\nLeft=10\r\n"
           "Top=10\r\nWidth=560\r\nHeight=200\r\n[FileRecvWindow]\r\nLeft=120\r\nTop=250\r\n";
}

QByteArray OfferOf(const QString& sName, qint64 iSize)
{
    FileTransferStream::FileOffer offer;
    offer.sHandleName = QStringLiteral("悪い人");
    offer.sMachineName = QStringLiteral("PVHOST2");
    offer.sDiscrimination = QStringLiteral("Parvane2");
    offer.sFileName = sName;
    offer.iFileSize = iSize;
    offer.sComment = QStringLiteral("どうぞ");
    return FileTransferStream::BuildOfferHeader(offer);
}

// Reads one line; empty on close or time-out.
QByteArray ReadLine(int fd, int iMs = kScriptWaitMs)
{
    QByteArray got;
    while (!got.endsWith("\r\n")) {
        pollfd p{fd, POLLIN, 0};
        char c = 0;
        if (poll(&p, 1, iMs) != 1 || recv(fd, &c, 1, 0) != 1)
            return QByteArray();
        got.append(c);
    }
    return got;
}

int DescriptorsOf(qint64 iPid)
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/%1/fd").arg(iPid)).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

// The processor time the process has used so far, in clock ticks.
qint64 CpuTicksOf(qint64 iPid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(iPid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
    // After the name: state is field 1, utime 12 and stime 13.
    return fields.value(12).toLongLong() + fields.value(13).toLongLong();
}

class FileOfferLan : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) << tool;
        ASSERT_TRUE(FLan.IsReady()) << qPrintable(FLan.Error());
        ASSERT_TRUE(FProgram.Start(Settings()));
    }

    void TearDown() override
    {
        for (int fd : FConnections)
            close(fd);
    }

    // A connection from the hostile host to the program's file port, from sSource when given.
    int Connect(const QString& sSource = QString())
    {
        const int fd = FLan.In(1, [] { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); });
        if (!sSource.isEmpty()) {
            sockaddr_in source{};
            source.sin_family = AF_INET;
            inet_pton(AF_INET, sSource.toLatin1().constData(), &source.sin_addr);
            if (bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
                close(fd);
                return -1;
            }
        }
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(kFilePort);
        inet_pton(AF_INET, FLan.Address(0).toLatin1().constData(), &target.sin_addr);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            close(fd);
            return -1;
        }
        FConnections.push_back(fd);
        return fd;
    }

    // A connection from the colleague's host to the program's file port.
    int ConnectColleague()
    {
        const int fd = FLan.In(2, [] { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); });
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(kFilePort);
        inet_pton(AF_INET, FLan.Address(0).toLatin1().constData(), &target.sin_addr);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            close(fd);
            return -1;
        }
        FConnections.push_back(fd);
        return fd;
    }

    // The program's boxes: windows with its title other than the main window.
    QStringList Boxes() const
    {
        QStringList boxes = FProgram
                                .Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                       QStringLiteral("--name"), QStringLiteral("^Parvane 2$")})
                                .split(u'\n', Qt::SkipEmptyParts);
        boxes.removeAll(FProgram.MainWindow());
        return boxes;
    }

    QStringList ReceiveWindows() const
    {
        return FProgram
            .Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   QStringLiteral("ファイル受信")})
            .split(u'\n', Qt::SkipEmptyParts);
    }

    QString FocusedWindow() const { return FProgram.Tool({QStringLiteral("getwindowfocus")}); }
    // The window given the keys, and seen to have them.
    bool FocusOn(const QString& sWindow) const
    {
        return PollFor(
            [&] {
                FProgram.Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), sWindow});
                return FocusedWindow() == sWindow;
            },
            kScriptWaitMs);
    }

    TestLan FLan{3};
    ProgramCopy FProgram{FLan, 0};
    std::vector<int> FConnections;
};

// Two hundred finished offers from ten addresses, all held open: the program keeps
// only the few it puts to the user, opens a window for each of those alone, and
// still answers a message from someone else.
TEST_F(FileOfferLan, TwoHundredOffersHeldOpenCostFewDescriptorsAndTheProgramKeepsAnswering)
{
    TestSupport::PeerProcess witness;
    ASSERT_TRUE(witness.StartLoggedIn(FLan, 2, QStringLiteral("見張り")));
    const int before = DescriptorsOf(FProgram.ProcessId());
    for (int a = 1; a <= 10; ++a) {
        const QString source = QStringLiteral("198.18.5.%1").arg(a);
        ASSERT_TRUE(RunIp({"-n", FLan.NamespaceName(1), "addr", "replace", source + "/15", "dev", "eth0"}));
        for (int i = 0; i < 20; ++i) {
            const int fd = Connect(source);
            ASSERT_GE(fd, 0) << qPrintable(source) << ' ' << i;
            ASSERT_TRUE(SendAll(fd, OfferOf(QStringLiteral("offer%1.txt").arg(i), 100)));
        }
    }
    // The offers put to the user show their windows; the rest are closed unanswered.
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() >= kOffersWaitingMax; }, 30000));
    ASSERT_TRUE(PollFor(
        [&] {
            int closed = 0;
            for (int fd : FConnections) {
                pollfd p{fd, POLLIN, 0};
                closed += poll(&p, 1, 0) == 1;
            }
            return closed == 200 - kOffersWaitingMax;
        },
        30000));
    EXPECT_EQ(ReceiveWindows().size(), kOffersWaitingMax);
    // The refusals are told once, in one box that says the limit is this copy's.
    ASSERT_TRUE(PollFor([&] { return Boxes().size() >= 1; }, 10000));
    EXPECT_EQ(Boxes().size(), 1);
    const int added = DescriptorsOf(FProgram.ProcessId()) - before;
    RecordProperty("ProgramDescriptorsAddedByTheOffers", added);
    // A waiting offer holds its connection and its window's few; a refused one holds none.
    EXPECT_LT(added, 4 * kOffersWaitingMax);
    // How busy it stays is a figure to read, not to assert on a shared machine.
    const qint64 ticks = CpuTicksOf(FProgram.ProcessId());
    QThread::msleep(2000);
    RecordProperty("ProgramCpuTicksIn2sWithOffersHeld",
                   static_cast<int>(CpuTicksOf(FProgram.ProcessId()) - ticks));

    const QString sId =
        witness.Call(QStringLiteral("MessageSend"), {QStringLiteral("聞こえますか"), FLan.MachineName(0),
                                                     QStringLiteral("Parvane2"), QStringLiteral("0")});
    ASSERT_NE(sId, QStringLiteral("?"));
    const auto receipt = witness.WaitEvent(QStringLiteral("OnMessageOk"), 20000);
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->value(0), sId);
    EXPECT_TRUE(FProgram.Running());
}

// A colleague sends ten reports to a user in a meeting: every one waits in a
// window of its own, and no box says anything was refused.
TEST_F(FileOfferLan, OneColleaguesTenWaitingOffersOpenTenWindows)
{
    for (int i = 0; i < 10; ++i) {
        const int fd = Connect();
        ASSERT_GE(fd, 0) << i;
        ASSERT_TRUE(SendAll(fd, OfferOf(QStringLiteral("report%1.txt").arg(i), 100)));
    }
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() >= 10; }, 30000))
        << "windows: " << ReceiveWindows().size();
    EXPECT_EQ(ReceiveWindows().size(), 10);
    EXPECT_TRUE(Boxes().isEmpty());
    for (int fd : FConnections) {
        pollfd p{fd, POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 0), 0) << "an offer was answered or closed";
    }
}

// Thirty-two connections that never send a header, eight from each of four
// addresses, hold every header slot: a colleague's offer still gets its window.
TEST_F(FileOfferLan, IdleConnectionsFromFourAddressesLeaveAColleaguesOfferItsWindow)
{
    const int before = DescriptorsOf(FProgram.ProcessId());
    for (int a = 1; a <= 4; ++a) {
        const QString source = QStringLiteral("198.18.5.%1").arg(a);
        ASSERT_TRUE(RunIp({"-n", FLan.NamespaceName(1), "addr", "replace", source + "/15", "dev", "eth0"}));
        for (int i = 0; i < 8; ++i)
            ASSERT_GE(Connect(source), 0) << qPrintable(source) << ' ' << i;
    }
    // Every one of them taken by the program before the colleague comes.
    ASSERT_TRUE(PollFor([&] { return DescriptorsOf(FProgram.ProcessId()) >= before + 32; }, 15000));
    const int colleague = ConnectColleague();
    ASSERT_GE(colleague, 0);
    ASSERT_TRUE(SendAll(colleague, OfferOf(QStringLiteral("report.txt"), 100)));
    EXPECT_TRUE(PollFor([&] { return ReceiveWindows().size() == 1; }, 20000));
    pollfd p{colleague, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the colleague's offer was closed";
}

// Sixteen offers waiting from each of two addresses take every place: a
// colleague's offer still gets its window, and the oldest waiting offer gives way,
// its window closing as a cancelled offer's does, without a word.
TEST_F(FileOfferLan, OffersHeldFromTwoAddressesLeaveAColleaguesOfferItsWindow)
{
    for (int a = 1; a <= 2; ++a) {
        const QString source = QStringLiteral("198.18.5.%1").arg(a);
        ASSERT_TRUE(RunIp({"-n", FLan.NamespaceName(1), "addr", "replace", source + "/15", "dev", "eth0"}));
        for (int i = 0; i < kOffersWaitingMax / 2; ++i) {
            const int fd = Connect(source);
            ASSERT_GE(fd, 0) << qPrintable(source) << ' ' << i;
            ASSERT_TRUE(SendAll(fd, OfferOf(QStringLiteral("offer%1.txt").arg(i), 100)));
        }
    }
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() >= kOffersWaitingMax; }, 30000));
    const std::vector<int> flood = FConnections;
    const QStringList before = ReceiveWindows();
    ASSERT_EQ(before.size(), kOffersWaitingMax);

    const int colleague = ConnectColleague();
    ASSERT_GE(colleague, 0);
    ASSERT_TRUE(SendAll(colleague, OfferOf(QStringLiteral("report.txt"), 100)));
    const auto colleaguesWindow = [&] {
        for (const QString& sWindow : ReceiveWindows()) {
            if (!before.contains(sWindow))
                return sWindow;
        }
        return QString();
    };
    ASSERT_TRUE(PollFor([&] { return !colleaguesWindow().isEmpty(); }, kScriptWaitMs));
    const QString sColleaguesWindow = colleaguesWindow();
    // The first address's first offer gave way: its connection is closed unanswered,
    // and its window goes.
    pollfd evicted{flood.front(), POLLIN, 0};
    ASSERT_EQ(poll(&evicted, 1, kScriptWaitMs), 1);
    char c = 0;
    EXPECT_EQ(recv(flood.front(), &c, 1, 0), 0);
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() == kOffersWaitingMax; }, kScriptWaitMs));
    const QStringList after = ReceiveWindows();
    EXPECT_TRUE(after.contains(sColleaguesWindow));
    int kept = 0;
    for (const QString& sWindow : before)
        kept += after.contains(sWindow);
    EXPECT_EQ(kept, kOffersWaitingMax - 1);
    // Nothing was refused and nothing blamed on a sender, so no box is shown.
    EXPECT_TRUE(Boxes().isEmpty());
    for (std::size_t i = 1; i < flood.size(); ++i) {
        pollfd p{flood[i], POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 0), 0) << "offer " << i << " was answered or closed";
    }
    pollfd p{colleague, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0) << "the colleague's offer was answered or closed";
}

// Two offers of the same name wait; the first is accepted and runs at once, and
// the second, accepted after the first made its file, asks before replacing it.
TEST_F(FileOfferLan, AnAcceptedOfferRunsWhileALaterOneWaitsAndItsFileIsAskedAbout)
{
    const int first = Connect();
    ASSERT_GE(first, 0);
    ASSERT_TRUE(SendAll(first, OfferOf(QStringLiteral("same.txt"), 5)));
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() == 1; }, kScriptWaitMs));
    const QString sFirstWindow = ReceiveWindows().front();
    const int second = Connect();
    ASSERT_GE(second, 0);
    ASSERT_TRUE(SendAll(second, OfferOf(QStringLiteral("same.txt"), 6)));
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() == 2; }, kScriptWaitMs));
    QString sSecondWindow;
    for (const QString& sWindow : ReceiveWindows()) {
        if (sWindow != sFirstWindow)
            sSecondWindow = sWindow;
    }
    // A window shown comes to the front once the program has seen it mapped, which
    // can be after it is seen here: the keys for the first go only once the second
    // has come, or they would go to the second.
    ASSERT_TRUE(PollFor([&] { return FocusedWindow() == sSecondWindow; }, kScriptWaitMs));

    std::atomic<bool> firstDone{false};
    QByteArray firstAnswer;
    std::thread script([&] {
        firstAnswer = ReadLine(first);
        if (firstAnswer == "PVNFILESTART:OK\r\n" && SendAll(first, "first"))
            ReadLine(first);
        // The sender's close ends the transfer; the descriptor itself goes in TearDown.
        shutdown(first, SHUT_RDWR);
        firstDone = true;
    });
    ASSERT_TRUE(FocusOn(sFirstWindow));
    FProgram.Keys({QStringLiteral("alt+r")});
    const bool bFinished = PollFor([&] { return firstDone.load(); }, 2 * kScriptWaitMs);
    script.join();
    ASSERT_TRUE(bFinished);
    EXPECT_EQ(firstAnswer, QByteArray("PVNFILESTART:OK\r\n"));
    const QString sSaved = FProgram.FilePath(QStringLiteral("same.txt"));
    ASSERT_TRUE(PollFor([&] { return QFileInfo(sSaved).size() == 5; }, kScriptWaitMs));
    // The end of the first is told in a box of its own; it goes with its window.
    ASSERT_TRUE(PollFor([&] { return FProgram.FocusBox(); }, kScriptWaitMs));
    FProgram.Keys({QStringLiteral("Return")});
    ASSERT_TRUE(PollFor([&] { return ReceiveWindows().size() == 1; }, kScriptWaitMs));

    ASSERT_TRUE(FocusOn(sSecondWindow));
    FProgram.Keys({QStringLiteral("alt+r")});
    // The question about the file that is there now; No keeps it and the offer waits.
    ASSERT_TRUE(PollFor([&] { return FProgram.FocusBox(); }, kScriptWaitMs));
    FProgram.Keys({QStringLiteral("alt+n")});
    pollfd p{second, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 1000), 0) << "the second offer was answered";
    QFile saved(sSaved);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("first"));
    EXPECT_EQ(ReceiveWindows(), QStringList{sSecondWindow});
}

} // namespace
