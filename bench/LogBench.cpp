// What the log costs as it grows: every record rewrites the whole file, and
// every opening or refresh of the viewer reads the whole file, builds one table
// and hands it to the view. Measured for logs of several sizes.
//   bench/LogBench [records...]   (default: 1000 10000 50000)
#include "IEViewer.h"
#include "LogFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.empty())
        sizes = {1000, 10000, 50000};

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Parvane2.LOG"));
    const QDateTime when = QDateTime::currentDateTime();
    std::printf("log of N records (%d rounds each, median)\n", kRounds);
    std::printf("%10s %10s %14s %14s %14s %14s\n", "records", "MB", "write ms", "read ms", "table ms",
                "view ms");
    for (int records : sizes) {
        QByteArray log;
        for (int i = 0; i < records; ++i)
            log +=
                LogRecordBytes(i % 4, QStringLiteral("花子"), QStringLiteral("太郎"), MessageText(i), when);
        std::vector<double> write, read, table, view;
        for (int round = 0; round < kRounds; ++round) {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(log);
            file.close();
            QElapsedTimer timer;
            timer.start();
            LogFilePrepend(path, LogRecordBytes(1, QStringLiteral("花子"), QStringLiteral("太郎"),
                                                MessageText(0), when));
            write.push_back(timer.nsecsElapsed() / 1e6);

            timer.restart();
            file.open(QIODevice::ReadOnly);
            const QList<TLogRecord> parsed = LogRecordsRead(file.readAll());
            file.close();
            read.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            const QString html = LogTableHtml(parsed);
            table.push_back(timer.nsecsElapsed() / 1e6);
            TIEViewer viewer;
            viewer.resize(687, 360);
            timer.restart();
            viewer.SetHTML(html);
            view.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("%10d %10.1f %14.1f %14.1f %14.1f %14.1f\n", records, log.size() / 1e6, MedianMs(write),
                    MedianMs(read), MedianMs(table), MedianMs(view));
    }
    return 0;
}
