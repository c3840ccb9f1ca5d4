// What a long conversation costs the chat window: 100,000 lines of 255 bytes
// from another user into one window at its smallest size (offscreen); the time
// per line at the start and at the end, the memory the process grew by, and
// one resize at the end (which lays out every line the view holds).
//   bench/ChatBench [lines]            (default: 100000)
//   bench/ChatBench uncapped [lines]   the view keeping every line, for comparison (default: 20000)
//   bench/ChatBench whole [lines]      each line re-laying out the whole conversation,
//                                      for comparison (default: 1000)
#include "AnsiCodePage.h"
#include "ChatText.h"
#include "ChatUnit.h"
#include "IEViewer.h"
#include "SubUnit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kBatch = 1000;
// The chat window's minimum size: the narrowest view makes the tallest lines.
const QSize kWindowSize(320, 220);

enum class TMode { Capped, Uncapped, Whole };
TMode Mode = TMode::Capped;

// The resident set of the process in KiB, from /proc.
long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A line as long as one from the network gets: 255 bytes of code page 932.
QString LineText(int i)
{
    QString s = QStringLiteral("%1 番目の発言です。").arg(i, 6, 10, QChar(u'0'));
    while (AnsiCodePage::ByteLength(s) < ChatMessageByteLimit - 1)
        s += QStringLiteral("あいうえおかきくけこ").at(s.size() % 10);
    if (AnsiCodePage::ByteLength(s) < ChatMessageByteLimit)
        s += u'.';
    return s;
}

// The slowest single line so far, in milliseconds.
double Worst = 0;

// Milliseconds per line for the lines from iFirst on, the view following them to its end.
double AddBatch(int iFirst)
{
    QElapsedTimer timer;
    timer.start();
    QElapsedTimer line;
    for (int i = iFirst; i < iFirst + kBatch; ++i) {
        line.start();
        if (Mode == TMode::Whole)
            ChatForm->wbLog->SetHTML(ChatForm->wbLog->HTML() + ChatLineHtml(LineText(i),
                                                                            QStringLiteral("花子"), false,
                                                                            CustomizeChatLocate));
        else
            ChatMessageAdd(LineText(i), QStringLiteral("花子"), QStringLiteral("PVHOST2"),
                           QStringLiteral("Parvane2"));
        Worst = qMax(Worst, line.nsecsElapsed() / 1e6);
    }
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6 / kBatch;
}

double ResizeMs()
{
    QElapsedTimer timer;
    timer.start();
    ChatForm->resize(kWindowSize + QSize(40, 0));
    QCoreApplication::processEvents();
    // The position asks for the whole layout, as the scroll bar does once shown.
    ChatForm->wbLog->ScrollTo(0, ChatForm->wbLog->ScrollHeight());
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int iArg = 1;
    if (argc > 1 && QByteArray(argv[1]) == "whole")
        Mode = TMode::Whole;
    else if (argc > 1 && QByteArray(argv[1]) == "uncapped")
        Mode = TMode::Uncapped;
    if (Mode != TMode::Capped)
        ++iArg;
    const int iDefault = Mode == TMode::Capped ? 100000 : Mode == TMode::Uncapped ? 20000 : 1000;
    const int iLines = qMax(2 * kBatch, argc > iArg ? QString::fromLocal8Bit(argv[iArg]).toInt() : iDefault);
    QTemporaryDir folder;
    ProgramDirectory = ProgramDirectoryOf(folder.path());
    FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");

    ChatFormShow();
    ChatForm->resize(kWindowSize);
    if (Mode == TMode::Uncapped)
        ChatForm->wbLog->SetLineLimit(0);
    QCoreApplication::processEvents();
    const long iBefore = ResidentKiB();
    std::printf("chat window at %dx%d, %d lines of %d bytes%s\n", kWindowSize.width(), kWindowSize.height(),
                iLines, ChatMessageByteLimit,
                Mode == TMode::Whole      ? ", each laying out the whole conversation again"
                : Mode == TMode::Uncapped ? ", the view keeping every line"
                                          : "");
    std::printf("  %8s %12s %12s %14s\n", "lines", "ms per line", "worst line", "process grew");
    const double first = AddBatch(0);
    std::printf("  %8d %12.3f %12.3f %10ld KiB\n", kBatch, first, Worst, ResidentKiB() - iBefore);
    double last = first;
    for (int i = kBatch; i + kBatch <= iLines; i += kBatch) {
        last = AddBatch(i);
        const int iDone = i + kBatch;
        // A line of the table at each tenth of the run.
        if (iDone % qMax(kBatch, iLines / 10 / kBatch * kBatch) == 0 || iDone + kBatch > iLines)
            std::printf("  %8d %12.3f %12.3f %10ld KiB\n", iDone, last, Worst, ResidentKiB() - iBefore);
        std::fflush(stdout);
    }
    std::printf("  first %d lines: %.3f ms a line; last %d: %.3f ms a line (%.2f times the first)\n", kBatch,
                first, kBatch, last, last / first);
    std::printf(
        "  the view holds %lld lines, %lld characters of HTML; one resize then takes %.1f ms\n",
        static_cast<long long>(ChatForm->wbLog->HTML().count(QStringLiteral("class=\"MessageLine\""))),
        static_cast<long long>(ChatForm->wbLog->HTML().size()), ResizeMs());
    ChatFormRelease();
    return 0;
}
