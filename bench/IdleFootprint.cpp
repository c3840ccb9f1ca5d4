// IdleFootprint: threads and resident memory of the idle program.
//   IdleFootprint [seconds]   two copies of parvane2 on a test LAN, each on an X
//                             server of its own, so the first lists one peer;
//                             after the given settling time (default 10) it reads
//                             the first copy's /proc status and thread names.
#include "AnsiCodePage.h"
#include "ProgramCopy.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

QByteArray ProcText(const QString& sPath)
{
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The status lines, then the most frequent thread names (numbers at their ends dropped).
void Report(qint64 iPid)
{
    const QString sProc = QStringLiteral("/proc/%1").arg(iPid);
    for (const QByteArray& line : ProcText(sProc + QStringLiteral("/status")).split('\n'))
        if (line.startsWith("Threads:") || line.startsWith("VmRSS:"))
            std::printf("%s\n", line.constData());
    QMap<QString, int> names;
    const QRegularExpression numbers(QStringLiteral("[-0-9]*$"));
    for (const QString& sTask :
         QDir(sProc + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        ++names[QString::fromUtf8(
                    ProcText(sProc + QStringLiteral("/task/") + sTask + QStringLiteral("/comm")))
                    .trimmed()
                    .remove(numbers)];
    QList<std::pair<int, QString>> counted;
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        counted.append({it.value(), it.key()});
    std::sort(counted.begin(), counted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (qsizetype i = 0; i < counted.size() && i < 8; ++i)
        std::printf("%7d %s\n", counted[i].first, qPrintable(counted[i].second));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iSeconds = argc > 1 ? qMax(3, QByteArray(argv[1]).toInt()) : 10;
    TestLan lan(2);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "no test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    // Each copy runs beside its own settings, on an X server whose number no other
    // server on the machine holds.
    TestSupport::ProgramCopy first(lan, 0), second(lan, 1);
    TestSupport::ProgramCopy* const copies[] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        if (!copies[i]->Start(
                AnsiCodePage::Encode(QStringLiteral("[Option]\r\nHandleName=copy%1\r\n").arg(i + 1)) +
                    "CustomizeStartVersionCheck=0\r\n",
                QStringLiteral("800x600x24"))) {
            std::fprintf(stderr, "copy %d did not start\n", i + 1);
            return 1;
        }
    }
    // The settling time is what is measured after: idle, with one peer listed.
    QThread::sleep(static_cast<unsigned long>(iSeconds));
    if (!first.Running()) {
        std::fprintf(stderr, "the first copy ended\n");
        return 1;
    }
    Report(first.ProcessId());
    return 0;
}
