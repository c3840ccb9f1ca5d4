#pragma once

// The seam through which the file send and file receive windows reach the engine.

#include "ParvaneNetwork.h"
#include "WindowServices.h"

#include <QString>

// The program's version uses the engine and the main user list of the services
// it was made with, and does nothing without them; tests install a fake with
// SetFileTransferEngine.
class TFileTransferEngine {
public:
    explicit TFileTransferEngine(const TWindowServicesRef& services = {}) : FServices(services) {}
    virtual ~TFileTransferEngine() = default;
    virtual bool LoginStates() const;
    // The engine's table holds the peer and it is away; false when it is not there.
    virtual bool PeerAbsent(const QString& sMachine, const QString& sDiscrimination) const;
    // The new transfer's number, 0 when none could be started.
    virtual int FileSend(const QString& sFileName, const QString& sComment, const QString& sMachine,
                         const QString& sDiscrimination);
    virtual bool FileSendCancel(int iSocketNo);
    // Also the refusal of an offer that waits for its answer.
    virtual bool FileRecvCancel(int iSocketNo);
    // Accepts a waiting offer: the file is made at sPath; with bReplace what is there is removed.
    virtual TParvaneNetwork::TFileRecvAcceptResult FileRecvAccept(int iSocketNo, const QString& sPath,
                                                                  bool bReplace);
    // The caption of the peer's row in the main user list; empty when the list does not show it.
    virtual QString UserHandle(const QString& sMachine, const QString& sDiscrimination) const;

private:
    TWindowServicesRef FServices;
};
// The engine a file window uses: the one a test installed, else the window's own.
TFileTransferEngine& FileTransferEngine(TFileTransferEngine& own);
// nullptr puts each window's own back.
void SetFileTransferEngine(TFileTransferEngine* engine);
