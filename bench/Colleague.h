#pragma once

#include "ParvaneNetwork.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <algorithm>
#include <vector>

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

// A colleague's messages to the program: the milliseconds from each send to its
// receipt, sorted, and the messages lost (never sent, never receipted, or
// receipted later than dLateMs).
struct RoundTrips {
    std::vector<double> ms;
    int iLost = 0;
};

inline RoundTrips RoundTripsOf(const QMap<QString, double>& sentAt, const QMap<QString, double>& answeredAt,
                               int iTried, double dLateMs)
{
    RoundTrips trips;
    trips.iLost = iTried - int(sentAt.size());
    for (auto it = sentAt.cbegin(); it != sentAt.cend(); ++it) {
        const auto answered = answeredAt.constFind(it.key());
        if (answered == answeredAt.cend() || *answered - *it > dLateMs)
            ++trips.iLost;
        else
            trips.ms.push_back(*answered - *it);
    }
    std::sort(trips.ms.begin(), trips.ms.end());
    return trips;
}
