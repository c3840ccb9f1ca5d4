#include "FileTransferEngine.h"

#include "MainUnit.h"

namespace {

TFileTransferEngine* PrEngineOverride = nullptr;

} // namespace

bool TFileTransferEngine::LoginStates() const
{
    return MainForm != nullptr && MainForm->PVN->LoginStates();
}

bool TFileTransferEngine::PeerAbsent(const QString& sMachine, const QString& sDiscrimination) const
{
    if (MainForm == nullptr)
        return false;
    const TParvaneNetwork& pvn = *MainForm->PVN;
    for (int i = 0; i < pvn.LoginCount(); ++i) {
        const TPVN_LoginUserInformation user = pvn.GetLoginUser(i);
        if (user.Machine == sMachine && user.Discrimination == sDiscrimination)
            return user.Absence;
    }
    return false;
}

int TFileTransferEngine::FileSend(const QString& sFileName, const QString& sComment, const QString& sMachine,
                                  const QString& sDiscrimination)
{
    return MainForm != nullptr ? MainForm->PVN->FileSend(sFileName, sComment, sMachine, sDiscrimination) : 0;
}

bool TFileTransferEngine::FileSendCancel(int iSocketNo)
{
    return MainForm != nullptr && MainForm->PVN->FileSendCancel(iSocketNo);
}

bool TFileTransferEngine::FileRecvCancel(int iSocketNo)
{
    return MainForm != nullptr && MainForm->PVN->FileRecvCancel(iSocketNo);
}

TParvaneNetwork::TFileRecvAcceptResult
TFileTransferEngine::FileRecvAccept(int iSocketNo, const QString& sPath, bool bReplace)
{
    return MainForm != nullptr ? MainForm->PVN->FileRecvAccept(iSocketNo, sPath, bReplace)
                               : TParvaneNetwork::TFileRecvAcceptResult::Ended;
}

QString TFileTransferEngine::UserHandle(const QString& sMachine, const QString& sDiscrimination) const
{
    return MainForm != nullptr ? MainForm->LoginUserHandle(sMachine, sDiscrimination) : QString();
}

TFileTransferEngine& FileTransferEngine()
{
    static TFileTransferEngine program;
    return PrEngineOverride != nullptr ? *PrEngineOverride : program;
}

void SetFileTransferEngine(TFileTransferEngine* engine)
{
    PrEngineOverride = engine;
}
