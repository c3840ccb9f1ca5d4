// IdleFootprint: threads and resident memory of the idle program.
//   IdleFootprint [seconds]   two copies of parvane2 on a test LAN, each on an X
//                             server of its own, so the first lists one peer;
//                             after the given settling time (default 10) it reads
//                             the first copy's /proc status and thread names.
#include "AnsiCodePage.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool WriteText(const QString& sPath, const QByteArray& text)
{
    QFile file(sPath);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
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
    const QString sProgram = QStringLiteral(PARVANE2_PATH);
    QTemporaryDir dirs[2];
    QProcess copies[2];
    for (int i = 0; i < 2; ++i) {
        const QString sDir = dirs[i].path();
        WriteText(sDir + QStringLiteral("/Parvane2.INI"),
                  AnsiCodePage::Encode(QStringLiteral("[Option]\r\nHandleName=copy%1\r\n").arg(i + 1)) +
                      "CustomizeStartVersionCheck=0\r\n");
        // The first copy reports on itself; the second only has to be there.
        const QString sReport =
            i == 0 ? QStringLiteral("sleep %1; grep -E '^(Threads|VmRSS)' /proc/$PV/status; "
                                    "cat /proc/$PV/task/*/comm | sed 's/[-0-9]*$//' | sort | uniq -c "
                                    "| sort -rn | head -8; ")
                         .arg(iSeconds)
                   : QStringLiteral("sleep %1; ").arg(iSeconds + 2);
        // The program runs from a copy beside its settings.
        QFile::copy(sProgram, sDir + QStringLiteral("/parvane2"));
        const QString sScript = QStringLiteral("'%1/parvane2' & PV=$!; %2kill $PV").arg(sDir, sReport);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), sDir);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        copies[i].setProcessEnvironment(environment);
        lan.PlaceProcess(copies[i], i);
        copies[i].setProcessChannelMode(i == 0 ? QProcess::ForwardedOutputChannel
                                               : QProcess::SeparateChannels);
        copies[i].start(QStringLiteral("xvfb-run"),
                        {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x600x24"),
                         QStringLiteral("sh"), QStringLiteral("-c"), sScript});
    }
    int iResult = 0;
    for (QProcess& copy : copies)
        if (!copy.waitForFinished((iSeconds + 30) * 1000))
            iResult = 1;
    return iResult;
}
