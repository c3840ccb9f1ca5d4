// The dispatch of received records: a record whose packet id was seen lately
// is dropped, the rest enter the history, and while logged in the keyword
// picks the one routine that reads the record. A record in this copy's name
// that came from none of its addresses goes no further: the routines, and the
// windows after them, take a record in this copy's name for this copy's own.
#include "ParvaneNetwork.h"
#include "ProtocolRecords.h"

using namespace ProtocolRecords;

namespace {

// The packet id that starts every record.
constexpr int kPacketIdLength = 22;

// A datagram from a loopback address can only have come from this machine.
bool IsLoopback(const QString& sAddress)
{
    return sAddress.startsWith(QStringLiteral("127."));
}

} // namespace

void TParvaneNetwork::DispatchPacket()
{
    const QString id = PVS_RecvInformation.RecvData.left(kPacketIdLength);
    const QString data = PVS_RecvInformation.RecvData.mid(kPacketIdLength);
    for (const TPVN_RecvHistory& entry : PVS_RecvHistory) {
        if (entry.SendTime == id)
            return;
    }
    for (int i = RecvHistoryCount - 1; i > 0; --i)
        PVS_RecvHistory[static_cast<std::size_t>(i)] = PVS_RecvHistory[static_cast<std::size_t>(i - 1)];
    PVS_RecvHistory[0] = TPVN_RecvHistory{id, PVS_RecvInformation.HostName};
    PVS_RecvInformation.RecvData = data;

    if (!FLoginStates)
        return;
    using Handler = void (TParvaneNetwork::*)(const QString&);
    struct Route {
        const QString* Keyword;
        Handler Handle;
        // The fields that name the sender's machine and identifier; 0 where the record names no machine.
        int MachineField;
        int DiscriminationField;
    };
    // The order in which keywords are compared; the first equal one decides.
    static const Route kRoutes[] = {
        {&kLogin, &TParvaneNetwork::RecvLogin, 1, 3},
        {&kLoginOk, &TParvaneNetwork::RecvLoginOk, 3, 5},
        {&kInfoChange, &TParvaneNetwork::RecvInfoChange, 1, 2},
        {&kLogout, &TParvaneNetwork::RecvLogout, 1, 2},
        {&kOpenCheck, &TParvaneNetwork::RecvOpenCheck, 4, 5},
        {&kHuzaiCheck, &TParvaneNetwork::RecvHuzaiCheck, 0, 0},
        {&kHuzaiMessage, &TParvaneNetwork::RecvHuzaiMessage, 4, 5},
        {&kMenuCheck, &TParvaneNetwork::RecvMenuCheck, 4, 6},
        {&kMenuNothing, &TParvaneNetwork::RecvMenuNothing, 4, 5},
        {&kMessage, &TParvaneNetwork::RecvMessage, 4, 6},
        {&kMessageOk, &TParvaneNetwork::RecvMessageOk, 4, 5},
        {&kInputSelect, &TParvaneNetwork::RecvInputSelect, 4, 5},
        {&kInputLine, &TParvaneNetwork::RecvInputLine, 4, 5},
        {&kInputText, &TParvaneNetwork::RecvInputText, 4, 5},
        {&kInputReturn, &TParvaneNetwork::RecvInputReturn, 4, 5},
        {&kInputMessage, &TParvaneNetwork::RecvInputMessage, 4, 5},
        {&kChatMessage, &TParvaneNetwork::RecvChatMessage, 2, 4},
    };
    const QString keyword = StringSplit(data, 0);
    for (const Route& route : kRoutes) {
        if (keyword != *route.Keyword)
            continue;
        if (route.MachineField != 0 &&
            ClaimsThisCopyFalsely(StringSplit(data, route.MachineField),
                                  StringSplit(data, route.DiscriminationField), PVS_RecvInformation.HostName))
            return;
        (this->*route.Handle)(data);
        return;
    }
}

bool TParvaneNetwork::ClaimsThisCopyFalsely(const QString& sMachine, const QString& sDiscrimination,
                                            const QString& sSender) const
{
    if (sMachine != FMachineName || sDiscrimination != FDiscrimination)
        return false;
    return !FIPAddress.contains(sSender) && !IsLoopback(sSender);
}
