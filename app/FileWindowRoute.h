#pragma once

// How the engine's file-transfer events reach the file send and file receive
// windows: each event goes to the first window registered with its transfer.

#include "SubUnit.h"

#include <QStringList>
#include <map>

// Percent done, truncated toward zero, 0 to 100; an empty file is complete from the start.
LPARAM Percent(qint64 iDone, qint64 iTotal);

// Sends the message to the first window of the registry that holds the socket;
// nothing when none does.
void FileRoute(const QStringList& slList, int iSocketNo, unsigned uMsg, WPARAM wParam, LPARAM lParam);

// The routing of one direction. The engine reports every piece, hundreds of
// thousands for a large file; only a changed percentage is passed on, so a
// window hears of a transfer at most 101 times and never slows it.
class TFileWindowRoute {
public:
    TFileWindowRoute(QStringList& slList, unsigned uProgressMsg) : FList(slList), FProgressMsg(uProgressMsg)
    {
    }

    void Progress(int iSocketNo, qint64 iDone, qint64 iTotal);
    // Any other message; an end or an error also forgets the transfer's last percentage.
    void Route(int iSocketNo, unsigned uMsg, WPARAM wParam, LPARAM lParam, bool bLast);
    // The engine moved a transfer to another socket: the window's entry follows it.
    void SocketChange(int iOldSocketNo, int iNewSocketNo, unsigned uMsg);
    // Transfers whose last percentage is remembered.
    std::size_t Tracked() const { return FShown.size(); }

private:
    QStringList& FList;
    unsigned FProgressMsg;
    std::map<int, LPARAM> FShown;
};
