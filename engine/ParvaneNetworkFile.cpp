// File transfer over TCP. Until the transfer code lands, every operation fails
// harmlessly and no connection is tracked.
#include "ParvaneNetwork.h"

int TParvaneNetwork::FileSend(const QString& sFileName, const QString& sComment, const QString& sSendHost,
                              const QString& sSendDiscrimination)
{
    Q_UNUSED(sFileName);
    Q_UNUSED(sComment);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    return 0;
}

bool TParvaneNetwork::FileSendCancel(int iSocketNo)
{
    Q_UNUSED(iSocketNo);
    return false;
}

bool TParvaneNetwork::FileRecvCancel(int iSocketNo)
{
    Q_UNUSED(iSocketNo);
    return false;
}

TPVN_FileSend* TParvaneNetwork::FileSendAdd()
{
    PrFTPSend.push_back(std::make_unique<TPVN_FileSend>());
    return PrFTPSend.back().get();
}

TPVN_FileRecv* TParvaneNetwork::FileRecvAdd()
{
    PrFTPRecv.push_back(std::make_unique<TPVN_FileRecv>());
    return PrFTPRecv.back().get();
}

TPVN_FileSend* TParvaneNetwork::FileSendFind(int iSocket) const
{
    for (const auto& record : PrFTPSend) {
        if (record->clsSocket == iSocket)
            return record.get();
    }
    return nullptr;
}

TPVN_FileRecv* TParvaneNetwork::FileRecvFind(int iSocket) const
{
    for (const auto& record : PrFTPRecv) {
        if (record->clsSocket == iSocket)
            return record.get();
    }
    return nullptr;
}

void TParvaneNetwork::FileSendDelete(int iSocket)
{
    for (auto it = PrFTPSend.begin(); it != PrFTPSend.end(); ++it) {
        if ((*it)->clsSocket == iSocket) {
            PrFTPSend.erase(it);
            return;
        }
    }
}

void TParvaneNetwork::FileRecvDelete(int iSocket)
{
    for (auto it = PrFTPRecv.begin(); it != PrFTPRecv.end(); ++it) {
        if ((*it)->clsSocket == iSocket) {
            PrFTPRecv.erase(it);
            return;
        }
    }
}

// A released record takes its socket with it.
void TParvaneNetwork::FileSendClear()
{
    for (const auto& record : PrFTPSend)
        SocketClose(record->clsSocket);
    PrFTPSend.clear();
}

void TParvaneNetwork::FileRecvClear()
{
    for (const auto& record : PrFTPRecv)
        SocketClose(record->clsSocket);
    PrFTPRecv.clear();
}

void TParvaneNetwork::FileSocketClose(int iSocket)
{
    SocketClose(iSocket);
    FileSendDelete(iSocket);
    FileRecvDelete(iSocket);
}

bool TParvaneNetwork::FileSocketSendText(int iSocket, const QString& sText)
{
    Q_UNUSED(iSocket);
    Q_UNUSED(sText);
    return false;
}

bool TParvaneNetwork::FileSendData(int iSocket)
{
    Q_UNUSED(iSocket);
    return false;
}

bool TParvaneNetwork::FileSocketRead(int iSocket)
{
    Q_UNUSED(iSocket);
    return false;
}

void TParvaneNetwork::FileTransferCancelAll()
{
    FileSendClear();
    FileRecvClear();
}

bool TParvaneNetwork::FileRecvAccepted(int iSocket)
{
    Q_UNUSED(iSocket);
    return false;
}

void TParvaneNetwork::FileConnectNotify(int iSocket, int iError)
{
    Q_UNUSED(iError);
    FileSocketClose(iSocket);
}

void TParvaneNetwork::FileWriteNotify(int iSocket, int iError)
{
    Q_UNUSED(iSocket);
    Q_UNUSED(iError);
}

void TParvaneNetwork::FileReadNotify(int iSocket, int iError)
{
    Q_UNUSED(iError);
    // A socket of no transfer that reports data is closed.
    if (!FileSendFind(iSocket) && !FileRecvFind(iSocket))
        SocketClose(iSocket);
}

void TParvaneNetwork::FileCloseNotify(int iSocket, int iError)
{
    Q_UNUSED(iError);
    FileSocketClose(iSocket);
}
