// What the log costs as it grows: every record rewrites the whole file (on the
// log writer's thread, copying the old log through a small buffer), and every
// opening or refresh of the viewer reads the whole file and hands its records
// to the table view, which lays out only the rows in sight. Measured for logs of several sizes.
//   bench/LogBench [records...]   (default: 1000 10000 30000)
// And the writer alone on a long log (the program's own case: messages coming
// in while the log has grown for years), with its CPU time and peak memory:
//   bench/LogBench writer [MB]    (default: 100)
#include "LogFile.h"
#include "LogTableView.h"
#include "LogUnit.h"
#include "SubUnit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kRounds = 5;

// A message of a few lines, as people write them: about 120 characters.
QString MessageText(int i)
{
    return QStringLiteral("お疲れさまです。%"
                          "1件目の連絡です。\n明日の会議は10時から第二会議室で行います。\n資料は共有フォル"
                          "ダに置きました。ご確認ください。")
        .arg(i);
}

double MedianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double Ms(QElapsedTimer& timer)
{
    const double ms = timer.nsecsElapsed() / 1e6;
    timer.restart();
    return ms;
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double PeakMiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// A log of iMegabytes written through a buffer of repeated records, then: one
// record alone until it is in the file (median of five), and 100 records at 5 a
// second, as a busy afternoon brings them, until the last is in the file.
int WriterBench(int iMegabytes)
{
    constexpr int kSingleRounds = 5;
    constexpr int kStream = 100;
    constexpr int kStreamGapMs = 200;
    QTemporaryDir folder;
    FileBaseName = folder.filePath(QStringLiteral("Parvane2"));
    const QDateTime when = QDateTime::currentDateTime();
    QByteArray piece;
    for (int i = 0; piece.size() < 1'000'000; ++i)
        piece += LogRecordBytes(i % 4, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(i), when);
    {
        QFile file(LogFileName());
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        for (qint64 bytes = 0; bytes < iMegabytes * 1'000'000LL; bytes += piece.size())
            file.write(piece);
    }
    const double peakBefore = PeakMiB();
    const qint64 logBytes = QFile(LogFileName()).size();

    std::vector<double> single;
    QElapsedTimer timer;
    const double cpuSingle = CpuSeconds();
    for (int round = 0; round < kSingleRounds; ++round) {
        timer.start();
        LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(round));
        LogWriteWait();
        single.push_back(Ms(timer));
    }
    const double cpuPerSingle = (CpuSeconds() - cpuSingle) / kSingleRounds * 1000;

    const double cpuStream = CpuSeconds();
    QElapsedTimer stream;
    stream.start();
    for (int i = 0; i < kStream; ++i) {
        LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(i));
        QThread::msleep(kStreamGapMs);
    }
    const double lastGivenMs = stream.nsecsElapsed() / 1e6 - kStreamGapMs;
    LogWriteWait();
    const double busyAfterMs = stream.nsecsElapsed() / 1e6 - lastGivenMs;
    const double cpuStreamS = CpuSeconds() - cpuStream;

    std::printf("log writer on a log of %.1f MB (peak memory before writing %.1f MiB)\n", logBytes / 1e6,
                peakBefore);
    std::printf("  one record until in the file: median %.0f ms, best %.0f ms, CPU %.0f ms a record\n",
                MedianMs(single), *std::min_element(single.begin(), single.end()), cpuPerSingle);
    std::printf("  %d records at %d a second: CPU %.1f s (%.0f ms a record), last in the file %.1f s after "
                "it was given\n",
                kStream, 1000 / kStreamGapMs, cpuStreamS, cpuStreamS / kStream * 1000, busyAfterMs / 1000);
    std::printf("  peak memory %.1f MiB (%.1f times the log)\n", PeakMiB(), PeakMiB() * 1048576 / logBytes);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "writer") == 0)
        return WriterBench(argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 100);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.empty())
        sizes = {1000, 10000, 30000};

    QTemporaryDir folder;
    FileBaseName = folder.filePath(QStringLiteral("Parvane2"));
    const QString path = LogFileName();
    const QDateTime when = QDateTime::currentDateTime();
    std::printf("log of N records (%d rounds each, median; ms)\n", kRounds);
    std::printf("%8s %6s %9s %9s %9s %7s %7s %7s %7s %7s\n", "records", "MB", "prepend", "LogWrite", "landed",
                "burst", "read", "view", "first", "last");
    for (int records : sizes) {
        QByteArray log;
        for (int i = 0; i < records; ++i)
            log +=
                LogRecordBytes(i % 4, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(i), when);
        std::vector<double> prepend, write, landed, burst, read, view, first, last;
        for (int round = 0; round < kRounds; ++round) {
            const auto store = [&] {
                QFile file(path);
                file.open(QIODevice::WriteOnly);
                file.write(log);
            };
            store();
            QElapsedTimer timer;
            timer.start();
            LogFilePrepend(path, LogRecordBytes(1, QStringLiteral("花子"), QStringLiteral("太郎"),
                                                MessageText(0), when));
            prepend.push_back(Ms(timer));

            // What the program's thread pays for one record, and when it is in the file.
            store();
            timer.restart();
            LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(0));
            write.push_back(Ms(timer));
            LogWriteWait();
            landed.push_back(Ms(timer) + write.back());

            // Fifty records at once, faster than the disk: until all are in the file.
            store();
            timer.restart();
            for (int i = 0; i < 50; ++i)
                LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(i));
            LogWriteWait();
            burst.push_back(Ms(timer));

            timer.restart();
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            const QList<TLogRecord> parsed = LogRecordsRead(file.readAll());
            file.close();
            read.push_back(Ms(timer));
            TLogTableView viewer;
            viewer.resize(687, 360);
            viewer.show();
            timer.restart();
            viewer.SetRecords(parsed);
            view.push_back(Ms(timer));
            // The first screen drawn, then the oldest records reached by End and drawn.
            viewer.grab();
            first.push_back(Ms(timer));
            QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
            QApplication::sendEvent(&viewer, &end);
            viewer.grab();
            last.push_back(Ms(timer));
        }
        std::printf("%8d %6.1f %9.1f %9.2f %9.1f %7.1f %7.1f %7.1f %7.1f %7.1f\n", records, log.size() / 1e6,
                    MedianMs(prepend), MedianMs(write), MedianMs(landed), MedianMs(burst), MedianMs(read),
                    MedianMs(view), MedianMs(first), MedianMs(last));
    }
    return 0;
}
