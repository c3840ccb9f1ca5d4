#pragma once

// The fuzzers' and the seed writer's window into the engine: they stand in for
// its sockets, so they set up the state a started, logged-in service would have
// without opening any, and reach the private receive paths directly through the
// engine's seam.
#include "ParvaneNetwork.h"
#include "ParvaneNetworkSeam.h"

#include <fcntl.h>
#include <unistd.h>

class TParvaneNetworkFuzzAccess : public TParvaneNetworkSeam {
public:
    // A service that seems started: the datagram socket is a descriptor of /dev/null,
    // owned and closed by the engine like its socket, which nothing ever reads or
    // sends on because every datagram goes to the hook.
    static void StartWithoutSockets(TParvaneNetwork& e, const QString& machine, const QStringList& addresses,
                                    std::function<bool(const QByteArray&, quint32)> sendHook)
    {
        SetDatagramSendHook(e, std::move(sendHook));
        SetSocketNo(e, ::open("/dev/null", O_RDWR | O_CLOEXEC));
        SetMachineName(e, machine);
        SetAddresses(e, addresses);
    }

    // An outgoing transfer whose connection is in progress on fd, as FileSend leaves it.
    static int AdoptOutgoing(TParvaneNetwork& e, int fd, const QString& handle, const QString& addresses,
                             const QString& dis, const QString& file, qint64 size, const QString& comment)
    {
        int id = 0;
        TPVN_FileSend* record = FileSendAdd(e, id);
        record->clsSocket = fd;
        record->TransferId = id;
        record->sSendUser = handle + TParvaneNetwork::FieldSeparator + addresses +
                            TParvaneNetwork::FieldSeparator + dis + TParvaneNetwork::FieldSeparator;
        record->sSendFile = file;
        record->iSendFileSize = size;
        record->sSendFileComment = comment;
        return id;
    }
};
