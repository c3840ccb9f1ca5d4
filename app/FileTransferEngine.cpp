#include "FileTransferEngine.h"

#include "LoginUserTable.h"

namespace {

TFileTransferEngine* PrEngineOverride = nullptr;

} // namespace

bool TFileTransferEngine::LoginStates() const
{
    return FServices->Engine != nullptr && FServices->Engine->LoginStates();
}

bool TFileTransferEngine::PeerAbsent(const QString& sMachine, const QString& sDiscrimination) const
{
    if (FServices->Engine == nullptr)
        return false;
    const TParvaneNetwork& pvn = *FServices->Engine;
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
    return FServices->Engine != nullptr
               ? FServices->Engine->FileSend(sFileName, sComment, sMachine, sDiscrimination)
               : 0;
}

bool TFileTransferEngine::FileSendCancel(int iSocketNo)
{
    return FServices->Engine != nullptr && FServices->Engine->FileSendCancel(iSocketNo);
}

bool TFileTransferEngine::FileRecvCancel(int iSocketNo)
{
    return FServices->Engine != nullptr && FServices->Engine->FileRecvCancel(iSocketNo);
}

TParvaneNetwork::TFileRecvAcceptResult
TFileTransferEngine::FileRecvAccept(int iSocketNo, const QString& sPath, bool bReplace)
{
    return FServices->Engine != nullptr ? FServices->Engine->FileRecvAccept(iSocketNo, sPath, bReplace)
                                        : TParvaneNetwork::TFileRecvAcceptResult::Ended;
}

QString TFileTransferEngine::UserHandle(const QString& sMachine, const QString& sDiscrimination) const
{
    const TLoginUserTable* users = FServices->Users;
    const TLoginUserTable::TEntry* entry =
        users != nullptr ? users->Find(sMachine, sDiscrimination) : nullptr;
    return entry != nullptr ? entry->Report.HandleName : QString();
}

TFileTransferEngine& FileTransferEngine(TFileTransferEngine& own)
{
    return PrEngineOverride != nullptr ? *PrEngineOverride : own;
}

void SetFileTransferEngine(TFileTransferEngine* engine)
{
    PrEngineOverride = engine;
}
