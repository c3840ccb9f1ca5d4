// What a long conversation costs the chat window: 5,000 lines of 100 characters
// from another user into one window (offscreen); the time to add the first 100
// and the last 100, and the memory the process grew by.
//   bench/ChatBench [lines]         (default: 5000)
//   bench/ChatBench whole [lines]   the same, each line re-laying out the whole
//                                   conversation, for comparison (default: 1000)
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

constexpr int kBatch = 100;

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

QString LineText(int i)
{
    QString s = QStringLiteral("%1 番目の発言です。").arg(i, 5, 10, QChar(u'0'));
    while (s.size() < 100)
        s += QStringLiteral("あいうえおかきくけこ");
    return s.left(100);
}

bool Whole = false;

double AddBatch(int iFirst)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = iFirst; i < iFirst + kBatch; ++i) {
        if (Whole)
            ChatForm->wbLog->SetHTML(ChatForm->wbLog->HTML() + ChatLineHtml(LineText(i),
                                                                            QStringLiteral("花子"), false,
                                                                            CustomizeChatLocate));
        else
            ChatMessageAdd(LineText(i), QStringLiteral("花子"), QStringLiteral("PVHOST2"),
                           QStringLiteral("Parvane2"));
    }
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int iArg = 1;
    Whole = argc > 1 && QByteArray(argv[1]) == "whole";
    if (Whole)
        ++iArg;
    const int iLines = argc > iArg ? QString::fromLocal8Bit(argv[iArg]).toInt() : (Whole ? 1000 : 5000);
    QTemporaryDir folder;
    ProgramDirectory = ProgramDirectoryOf(folder.path());
    FileBaseName = ProgramDirectory + QStringLiteral("Parvane2");

    ChatFormShow();
    QCoreApplication::processEvents();
    const long iBefore = ResidentKiB();
    const double first = AddBatch(0);
    for (int i = kBatch; i < iLines - kBatch; i += kBatch)
        AddBatch(i);
    const double last = AddBatch(iLines - kBatch);
    const long iAfter = ResidentKiB();
    std::printf("chat window, %d lines of 100 characters%s\n", iLines,
                Whole ? ", each laying out the whole conversation again" : "");
    std::printf("  first %d lines: %.1f ms\n  last %d lines:  %.1f ms (%.2f times the first)\n", kBatch,
                first, kBatch, last, last / first);
    std::printf("  HTML kept: %lld characters; process grew by %ld KiB\n",
                static_cast<long long>(ChatForm->wbLog->HTML().size()), iAfter - iBefore);
    ChatFormRelease();
    return 0;
}
