#include "FileWindowRoute.h"

LPARAM Percent(qint64 iDone, qint64 iTotal)
{
    if (iTotal <= 0)
        return 100;
    // In floating point, so sizes beyond 2 GiB neither overflow nor lose the percent.
    const double percent = double(iDone) / double(iTotal) * 100.0;
    return qBound(LPARAM{0}, LPARAM(percent), LPARAM{100});
}

void FileRoute(const QStringList& slList, int iSocketNo, unsigned uMsg, WPARAM wParam, LPARAM lParam)
{
    if (HWND hWindow = FileWindowFind(slList, iSocketNo))
        SendMessageW(hWindow, uMsg, wParam, lParam);
}

void TFileWindowRoute::Progress(int iSocketNo, qint64 iDone, qint64 iTotal)
{
    const LPARAM percent = Percent(iDone, iTotal);
    const auto [it, inserted] = FShown.try_emplace(iSocketNo, percent);
    if (!inserted) {
        if (it->second == percent)
            return;
        it->second = percent;
    }
    FileRoute(FList, iSocketNo, FProgressMsg, 0, percent);
}

void TFileWindowRoute::Route(int iSocketNo, unsigned uMsg, WPARAM wParam, LPARAM lParam, bool bLast)
{
    if (bLast)
        FShown.erase(iSocketNo);
    FileRoute(FList, iSocketNo, uMsg, wParam, lParam);
}

void TFileWindowRoute::SocketChange(int iOldSocketNo, int iNewSocketNo, unsigned uMsg)
{
    FShown.erase(iOldSocketNo);
    if (HWND hWindow = FileWindowSocketChange(FList, iOldSocketNo, iNewSocketNo))
        SendMessageW(hWindow, uMsg, WPARAM(iNewSocketNo), 0);
}
