// Burst benchmark: the whole program (its default settings: the pointer
// animation, notices and the log on) in host 1 of the test LAN, on an X server
// of its own. Thirty addresses of host 2 send it short messages, or chat lines
// with its chat window open, at a given rate, while a colleague's engine in
// host 3 writes a message every 500 ms and waits for its receipt.
// Reported per rate: the records a second the program handled (its log records
// of the burst over the burst's time, the log written to its end) and the
// colleague's round trips from MessageSend until OnMessageOk; a receipt later
// than 10 s, or none, counts as lost.
//
// Run as root (the test LAN needs it): build/bin/BurstBench [seconds [folder for pictures]]
#include "AnsiCodePage.h"
#include "Colleague.h"
#include "DatagramFraming.h"
#include "ForgedDatagram.h"
#include "ParvaneNetwork.h"
#include "ProgramCopy.h"
#include "Stamps.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString kId = QStringLiteral("Parvane2");
constexpr int kPort = 51000;
constexpr int kSenders = 30;
constexpr int kColleagueEveryMs = 500;
// A receipt later than this counts as none.
constexpr int kLateMs = 10000;

QString SenderAddress(int i)
{
    return QStringLiteral("198.18.1.%1").arg(i + 1);
}

struct Figures : RoundTrips {
    double dHandled = 0; // records of the burst a second
};

// The burst's records in the program's log: each carries "BURST" in its sender's handle.
int BurstRecordsLogged(const TestSupport::ProgramCopy& program)
{
    QFile log(program.FilePath(QStringLiteral("Parvane2.LOG")));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(log.readAll().count(AnsiCodePage::Encode(QStringLiteral("同報"))));
}

class Burst {
public:
    Burst(TestLan& lan, TestSupport::ProgramCopy& program, TParvaneNetwork& colleague)
        : FForger(lan, 1), FTarget(lan.Address(0)), FProgram(program), FColleague(colleague),
          FMachine(lan.MachineName(0))
    {
    }
    bool IsOpen() const { return FForger.IsOpen(); }

    // iPerSecond records a second made by record(sender, number) for the time given;
    // midway, when given, is called once half-way through.
    Figures Run(int iSeconds, int iPerSecond, const std::function<QString(int, int)>& record,
                const std::function<void()>& midway = {})
    {
        bool bMidway = !midway;
        const int iLoggedBefore = BurstRecordsLogged(FProgram);
        QMap<QString, double> sentAt;
        QMap<QString, double> answeredAt;
        QElapsedTimer clock;
        clock.start();
        FColleague.OnMessageOk = [&](TParvaneNetwork*, const QString& id, const QString&, const QString&,
                                     const QString&) {
            if (sentAt.contains(id) && !answeredAt.contains(id))
                answeredAt[id] = clock.nsecsElapsed() / 1e6;
        };
        int iRecords = 0;
        int iMessages = 0;
        const qint64 iEnd = qint64(iSeconds) * 1000;
        while (clock.elapsed() < iEnd + kLateMs) {
            const qint64 now = clock.elapsed();
            for (; now < iEnd && qint64(iRecords) * 1000 < now * iPerSecond; ++iRecords)
                Send(record(iRecords % kSenders, FNumber++), SenderAddress(iRecords % kSenders));
            if (now < iEnd && now >= qint64(iMessages) * kColleagueEveryMs + kColleagueEveryMs / 2) {
                const QString id =
                    FColleague.MessageSend(QStringLiteral("用件%1").arg(iMessages), FMachine, kId, false);
                if (!id.isEmpty())
                    sentAt[id] = clock.nsecsElapsed() / 1e6;
                ++iMessages;
            }
            if (!bMidway && now >= iEnd / 2) {
                bMidway = true;
                midway();
            }
            if (now >= iEnd && answeredAt.size() == sentAt.size())
                break;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        Figures figures;
        static_cast<RoundTrips&>(figures) = RoundTripsOf(sentAt, answeredAt, iMessages, kLateMs);
        FColleague.OnMessageOk = nullptr;
        // The log is written on a thread of the program's own: what lands by a
        // quiet second later is what it handled.
        int iLogged = BurstRecordsLogged(FProgram);
        for (int iQuiet = 0; iQuiet < 10;) {
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 1000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            const int iNow = BurstRecordsLogged(FProgram);
            iQuiet = iNow == iLogged ? 10 : iQuiet + 1;
            iLogged = iNow;
        }
        figures.dHandled = double(iLogged - iLoggedBefore) / iSeconds;
        return figures;
    }

private:
    void Send(const QString& sRecord, const QString& sSource)
    {
        const QByteArray framed =
            DatagramFraming::FrameRecord(AnsiCodePage::Encode(Stamps::NewPacketId() + sRecord), false);
        for (const QByteArray& datagram : DatagramFraming::CutIntoDatagrams(framed, 512))
            FForger.Send(sSource, FTarget, kPort, datagram);
    }

    TestSupport::ForgedDatagram FForger;
    QString FTarget;
    TestSupport::ProgramCopy& FProgram;
    TParvaneNetwork& FColleague;
    QString FMachine;
    int FNumber = 0;
};

void Report(const char* sKind, int iRate, const Figures& f)
{
    std::printf("  %-14s %5d/s sent  %7.1f/s handled", sKind, iRate, f.dHandled);
    if (f.ms.empty()) {
        std::printf("  colleague: no receipt (%d lost)\n", f.iLost);
        return;
    }
    std::printf("  colleague: median %6.1f ms, worst %7.1f ms, %zu answered, %d lost\n",
                f.ms[f.ms.size() / 2], f.ms.back(), f.ms.size(), f.iLost);
    std::fflush(stdout);
}

// One copy of the program, fresh for each kind of burst, and a colleague's engine in
// host 3. With a folder for pictures, the screen has a window manager and is
// pictured half-way through each burst.
int RunKind(TestLan& lan, bool bChat, int iSeconds, const char* sShots)
{
    TestSupport::ProgramCopy program(lan, 0);
    if (sShots)
        program.AddCompanion(
            QStringLiteral("openbox"),
            {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), QStringLiteral("/dev/null")});
    const auto shot = [&](const QString& sName) -> std::function<void()> {
        if (!sShots)
            return {};
        return [&program, sFile = QString::fromLocal8Bit(sShots) + u'/' + sName + QStringLiteral(".png")] {
            program.Shot(sFile);
        };
    };
    if (!program.Start("[Option]\r\nHandleName=Taro\r\nCustomizeStartVersionCheck=0\r\n"
                       "[ChatWindow]\r\nLeft=200\r\nTop=200\r\nWidth=560\r\nHeight=330\r\n")) {
        std::fprintf(stderr, "BurstBench: the program does not start\n");
        return 1;
    }
    if (bChat) {
        // The chat window, opened by its command.
        const bool bFocused = TestSupport::PollFor(
            [&] {
                const QString sWindow = program.Focus(QStringLiteral("^Parvane 2$"));
                return !sWindow.isEmpty() && program.Tool({QStringLiteral("getwindowfocus")}) == sWindow;
            },
            30000, 100);
        program.Keys({QStringLiteral("alt+m"), QStringLiteral("c")});
        if (!bFocused ||
            !TestSupport::PollFor(
                [&] { return !program.Find(QStringLiteral("^チャット - Parvane 2$")).isEmpty(); }, 30000,
                100)) {
            std::fprintf(stderr, "BurstBench: the chat window does not open\n");
            return 1;
        }
    }
    lan.Enter(2);
    int result = 0;
    {
        TParvaneNetwork colleague;
        const bool bListed = ColleagueLogsIn(colleague);
        Burst burst(lan, program, colleague);
        if (!bListed || !burst.IsOpen()) {
            std::fprintf(stderr, "BurstBench: the colleague does not see the program\n");
            result = 1;
        } else if (!bChat) {
            const QString sProgram = lan.Address(0);
            const auto message = [&](int iSender, int iNumber) {
                return QStringLiteral("PVMESSAGE:MESSAGE&|%1&|Parvane2&|同報%2&|BURST%2&|%3&|Parvane2&|b%4&|"
                                      "お知らせ%4&|0")
                    .arg(sProgram)
                    .arg(iSender)
                    .arg(SenderAddress(iSender))
                    .arg(iNumber);
            };
            Report("no burst", 0, burst.Run(iSeconds, 0, message));
            for (int iRate : {150, 300})
                Report("messages", iRate,
                       burst.Run(iSeconds, iRate, message, shot(QStringLiteral("messages-%1").arg(iRate))));
        } else {
            const auto chat = [](int iSender, int iNumber) {
                return QStringLiteral(
                           "PVMESSAGE:CHAT_MESSAGE&|同報%1&|BURST%1&|%2&|Parvane2&|c%3&|発言 %3 です")
                    .arg(iSender)
                    .arg(SenderAddress(iSender))
                    .arg(iNumber);
            };
            for (int iRate : {500, 1000, 2000})
                Report("chat lines", iRate,
                       burst.Run(iSeconds, iRate, chat, shot(QStringLiteral("chat-%1").arg(iRate))));
        }
    }
    lan.Leave();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iSeconds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
    TestLan lan(3);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "BurstBench: the test LAN cannot be made: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    std::printf("bursts from %d addresses for %d s; a colleague's message every %d ms\n", kSenders, iSeconds,
                kColleagueEveryMs);
    const int result = RunKind(lan, false, iSeconds, nullptr);
    return RunKind(lan, true, iSeconds, argc > 2 ? argv[2] : nullptr) | result;
}
