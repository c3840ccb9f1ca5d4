// The dispatch of received records: a record whose packet id was seen lately
// is dropped, the rest enter the history, and while logged in the keyword
// picks the one routine that reads the record.
#include "ParvaneNetwork.h"
#include "ProtocolRecords.h"

using namespace ProtocolRecords;

namespace {

// The packet id that starts every record.
constexpr int kPacketIdLength = 22;

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
    };
    // The order in which keywords are compared; the first equal one decides.
    static const Route kRoutes[] = {
        {&kLogin, &TParvaneNetwork::RecvLogin},
        {&kLoginOk, &TParvaneNetwork::RecvLoginOk},
        {&kInfoChange, &TParvaneNetwork::RecvInfoChange},
        {&kLogout, &TParvaneNetwork::RecvLogout},
        {&kOpenCheck, &TParvaneNetwork::RecvOpenCheck},
        {&kHuzaiCheck, &TParvaneNetwork::RecvHuzaiCheck},
        {&kHuzaiMessage, &TParvaneNetwork::RecvHuzaiMessage},
        {&kMenuCheck, &TParvaneNetwork::RecvMenuCheck},
        {&kMenuNothing, &TParvaneNetwork::RecvMenuNothing},
        {&kMessage, &TParvaneNetwork::RecvMessage},
        {&kMessageOk, &TParvaneNetwork::RecvMessageOk},
        {&kInputSelect, &TParvaneNetwork::RecvInputSelect},
        {&kInputLine, &TParvaneNetwork::RecvInputLine},
        {&kInputText, &TParvaneNetwork::RecvInputText},
        {&kInputReturn, &TParvaneNetwork::RecvInputReturn},
        {&kInputMessage, &TParvaneNetwork::RecvInputMessage},
        {&kChatMessage, &TParvaneNetwork::RecvChatMessage},
    };
    const QString keyword = StringSplit(data, 0);
    for (const Route& route : kRoutes) {
        if (keyword == *route.Keyword) {
            (this->*route.Handle)(data);
            return;
        }
    }
}
