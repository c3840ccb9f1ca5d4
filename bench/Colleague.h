#pragma once

#include "ParvaneNetwork.h"

#include <QCoreApplication>
#include <QElapsedTimer>

// A colleague of the program under measure: an engine in the calling thread's host
// that logs in as "花子" and is ready once it lists itself and the program.
inline bool ColleagueLogsIn(TParvaneNetwork& colleague)
{
    constexpr int kListedWithinMs = 15000;
    colleague.SetDiscrimination(QStringLiteral("Parvane2"));
    colleague.SetVersion(2200);
    colleague.SetFTPPortNo(0);
    if (!colleague.ServiceStart())
        return false;
    colleague.SetHandleName(QStringLiteral("花子"));
    colleague.Login();
    QElapsedTimer waited;
    waited.start();
    while (colleague.LoginCount() < 2 && waited.elapsed() < kListedWithinMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return colleague.LoginCount() >= 2;
}
