// Records meant for one copy: messages and their receipts, read notices, away
// and menu requests and the input-dialog records.
//
// Every record starts with the destination's address and identifier (dIP dDis)
// and is broadcast; only the copy they name acts on it. Hdl Mch IP Dis are the
// sender's handle name, machine name, main address and identifier:
//   PVMESSAGE:MESSAGE        dIP dDis Hdl Mch IP Dis MessageID Message Letter
//   PVMESSAGE:MESSAGE_OK     dIP dDis Hdl Mch Dis MessageID
//   PVMESSAGE:OPEN_CHECK     dIP dDis Hdl Mch Dis MessageID
//   PVMESSAGE:HUZAI_CHECK    dIP dDis IP Dis
//   PVMESSAGE:HUZAI_MESSAGE  dIP dDis Hdl Mch Dis AbsenceMessage AbsenceTitle
//   PVMESSAGE:MENU_CHECK     dIP dDis Hdl Mch IP Dis
//   PVMESSAGE:MENU_NOTHING   dIP dDis Hdl Mch Dis
//   PVMESSAGE:INPUT_SELECT   dIP dDis Hdl Mch Dis SelectDiscrimination Message List Return
//   PVMESSAGE:INPUT_LINE     dIP dDis Hdl Mch Dis LineDiscrimination Message MessageLine Password
//   PVMESSAGE:INPUT_TEXT     dIP dDis Hdl Mch Dis TextDiscrimination Message
//   PVMESSAGE:INPUT_RETURN   dIP dDis Hdl Mch Dis InputDiscrimination Return
//   PVMESSAGE:INPUT_MESSAGE  dIP dDis Hdl Mch Dis Message
// A sent message waits in one of 255 send slots for its MESSAGE_OK; without
// one within the delivery time-out it is reported once by OnErrorSend. Its read
// notice (OPEN_CHECK) is taken once, from the machine and identifier it went to,
// while it is among the last SentMessageMemoryCount messages sent: anyone can
// send an OPEN_CHECK for any identifier.
#include "ParvaneNetwork.h"
#include "ProtocolRecords.h"
#include "Stamps.h"

using namespace ProtocolRecords;

QString TParvaneNetwork::DestinationAddress(const QString& sSendHost) const
{
    QString address = sSendHost;
    if (IPAddressCheck(address))
        return address;
    return MachineNameToIPAddress(sSendHost);
}

bool TParvaneNetwork::SendAddressed(const QString& sKeyword, const QString& sSendHost,
                                    const QString& sSendDiscrimination, const QString& sFields)
{
    const QString address = DestinationAddress(sSendHost);
    if (address.isEmpty() || !FLoginStates)
        return false;
    return SendPacket(Join({sKeyword, address, sSendDiscrimination, sFields}), QString());
}

QString TParvaneNetwork::MessageSend(const QString& sSendMessage, const QString& sSendHost,
                                     const QString& sSendDiscrimination, bool bSendLetter)
{
    const QString address = DestinationAddress(sSendHost);
    const QString id = Stamps::NewMessageId();
    if (address.isEmpty() || !FLoginStates)
        return QString();
    const QString text = Join({kMessage, address, sSendDiscrimination, FHandleName, FMachineName,
                               MainAddress(), FDiscrimination, id, sSendMessage, Flag(bSendLetter)});
    if (!SendPacket(text, QString()))
        return QString();
    // Its read notice is told by the destination as given: a machine name, or an address in dotted form.
    QString host = sSendHost;
    const bool bByAddress = IPAddressCheck(host);
    if (PrSentMessages.size() >= static_cast<std::size_t>(SentMessageMemoryCount))
        PrSentMessages.pop_front();
    PrSentMessages.push_back(TPVN_SentMessage{id, host, bByAddress, sSendDiscrimination});
    for (int i = 1; i <= SendHistoryCount; ++i) {
        TPVN_SendHistory& slot = PVS_SendHistory[static_cast<std::size_t>(i)];
        if (SendHistoryInUse(i))
            continue;
        slot = TPVN_SendHistory{sSendMessage, id, sSendHost, sSendDiscrimination};
        SendTimeoutStart(i);
        break;
    }
    return id;
}

bool TParvaneNetwork::MessageOpen(const QString& sMessageID, const QString& sSendHost,
                                  const QString& sDiscrimination)
{
    return SendAddressed(kOpenCheck, sSendHost, sDiscrimination,
                         Join({FHandleName, FMachineName, FDiscrimination, sMessageID}));
}

bool TParvaneNetwork::AbsenceRequest(const QString& sSendHost, const QString& sDiscrimination)
{
    return SendAddressed(kHuzaiCheck, sSendHost, sDiscrimination, Join({MainAddress(), FDiscrimination}));
}

bool TParvaneNetwork::MenuRequest(const QString& sSendHost, const QString& sDiscrimination)
{
    return SendAddressed(kMenuCheck, sSendHost, sDiscrimination,
                         Join({FHandleName, FMachineName, MainAddress(), FDiscrimination}));
}

bool TParvaneNetwork::InputSelect(const QString& sMessage, const QString& sList, const QString& sReturn,
                                  const QString& sDiscrimination, const QString& sSendHost,
                                  const QString& sSendDiscrimination)
{
    return SendAddressed(
        kInputSelect, sSendHost, sSendDiscrimination,
        Join({FHandleName, FMachineName, FDiscrimination, sDiscrimination, sMessage, sList, sReturn}));
}

bool TParvaneNetwork::InputLine(const QString& sMessage, const QString& sMessageLine,
                                const QString& sDiscrimination, const QString& sSendHost,
                                const QString& sSendDiscrimination, bool bPassword)
{
    return SendAddressed(kInputLine, sSendHost, sSendDiscrimination,
                         Join({FHandleName, FMachineName, FDiscrimination, sDiscrimination, sMessage,
                               sMessageLine, Flag(bPassword)}));
}

bool TParvaneNetwork::InputText(const QString& sMessage, const QString& sDiscrimination,
                                const QString& sSendHost, const QString& sSendDiscrimination)
{
    return SendAddressed(kInputText, sSendHost, sSendDiscrimination,
                         Join({FHandleName, FMachineName, FDiscrimination, sDiscrimination, sMessage}));
}

bool TParvaneNetwork::InputReturn(const QString& sDiscrimination, const QString& sReturn,
                                  const QString& sSendHost, const QString& sSendDiscrimination)
{
    return SendAddressed(kInputReturn, sSendHost, sSendDiscrimination,
                         Join({FHandleName, FMachineName, FDiscrimination, sDiscrimination, sReturn}));
}

bool TParvaneNetwork::InputMessage(const QString& sMessage, const QString& sSendHost,
                                   const QString& sSendDiscrimination)
{
    return SendAddressed(kInputMessage, sSendHost, sSendDiscrimination,
                         Join({FHandleName, FMachineName, FDiscrimination, sMessage}));
}

bool TParvaneNetwork::SendMessageOk(const QString& sMessageID, const QString& sIPAddress,
                                    const QString& sDiscrimination)
{
    // A sender that gave no address cannot be answered.
    if (sIPAddress.isEmpty())
        return false;
    return SendPacket(Join({kMessageOk, sIPAddress, sDiscrimination, FHandleName, FMachineName,
                            FDiscrimination, sMessageID}),
                      QString());
}

bool TParvaneNetwork::SendAbsenceMessage(const QString& sAbsenceMessage, const QString& sAbsenceTitle,
                                         const QString& sIPAddress, const QString& sDiscrimination)
{
    return SendPacket(Join({kHuzaiMessage, sIPAddress, sDiscrimination, FHandleName, FMachineName,
                            FDiscrimination, sAbsenceMessage, sAbsenceTitle}),
                      QString());
}

bool TParvaneNetwork::SendMenuNothing(const QString& sIPAddress, const QString& sDiscrimination)
{
    return SendPacket(
        Join({kMenuNothing, sIPAddress, sDiscrimination, FHandleName, FMachineName, FDiscrimination}),
        QString());
}

void TParvaneNetwork::RecvOpenCheck(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)) || !SentMessageOpened(f(6), f(4), f(5)))
        return;
    if (OnMessageOpen)
        OnMessageOpen(this, f(6), f(3), f(4), f(5));
}

bool TParvaneNetwork::SentMessageOpened(const QString& sMessageID, const QString& sMachine,
                                        const QString& sDiscrimination)
{
    // Newest first: a notice mostly follows its message soon.
    for (auto it = PrSentMessages.rbegin(); it != PrSentMessages.rend(); ++it) {
        const QString& to = it->bByAddress ? PVS_RecvInformation.HostName : sMachine;
        if (it->MessageID == sMessageID && it->Discrimination == sDiscrimination && it->Host == to) {
            PrSentMessages.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

void TParvaneNetwork::RecvHuzaiCheck(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)) || !RequestAnswerAllowed())
        return;
    if (FAbsence && !FAbsenceMessage.isEmpty() && !FAbsenceTitle.isEmpty())
        SendAbsenceMessage(FAbsenceMessage, FAbsenceTitle, f(3), f(4));
    else
        SendAbsenceMessage(NoAbsenceMessage, NoAbsenceMessage, f(3), f(4));
}

void TParvaneNetwork::RecvHuzaiMessage(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnAbsenceMessage)
        OnAbsenceMessage(this, f(6), f(3), f(4), f(5), ReceiveTime());
}

void TParvaneNetwork::RecvMenuCheck(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (FMenu && OnMenuRequest)
        OnMenuRequest(this, f(3), f(4), f(6));
    else if (RequestAnswerAllowed())
        SendMenuNothing(f(5), f(6));
}

bool TParvaneNetwork::RequestAnswerAllowed()
{
    const qint64 now = PrMonotonicClock();
    if (PrAnswerWindowAt == 0 || now - PrAnswerWindowAt >= RequestAnswerWindowMs) {
        PrAnswerWindowAt = now;
        PrAnswersThisWindow = 0;
        PrAnswersByAddress.clear();
    }
    // Checked before the address is noted, so an address refused here costs no memory.
    if (PrAnswersThisWindow >= RequestAnswersPerWindowMax)
        return false;
    int& fromAddress = PrAnswersByAddress[PVS_RecvInformation.HostName];
    if (fromAddress >= RequestAnswersPerAddressMax)
        return false;
    ++fromAddress;
    ++PrAnswersThisWindow;
    return true;
}

void TParvaneNetwork::RecvMenuNothing(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnMenuNothing)
        OnMenuNothing(this, f(3), f(4), f(5));
}

void TParvaneNetwork::RecvMessage(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    SendMessageOk(f(7), f(5), f(6));
    if (OnMessage)
        OnMessage(this, f(8), f(7), f(9) == QStringLiteral("1"), f(3), f(4), f(6), ReceiveTime());
}

void TParvaneNetwork::RecvMessageOk(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    const QString id = f(6);
    for (int i = 1; i <= SendHistoryCount; ++i) {
        if (SendHistoryInUse(i) && PVS_SendHistory[static_cast<std::size_t>(i)].MessageID == id) {
            SendHistoryFree(i);
            break;
        }
    }
    if (OnMessageOk)
        OnMessageOk(this, id, f(3), f(4), f(5));
}

void TParvaneNetwork::RecvInputSelect(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnInputSelect)
        OnInputSelect(this, f(7), f(8), f(9), f(6), f(3), f(4), f(5));
}

void TParvaneNetwork::RecvInputLine(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnInputLine)
        OnInputLine(this, f(7), f(8), f(6), f(3), f(4), f(5), LooseInteger(f(9)) != 0);
}

void TParvaneNetwork::RecvInputText(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnInputText)
        OnInputText(this, f(7), f(6), f(3), f(4), f(5));
}

void TParvaneNetwork::RecvInputReturn(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnInputReturn)
        OnInputReturn(this, f(6), f(7), f(3), f(4), f(5));
}

void TParvaneNetwork::RecvInputMessage(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    if (OnInputMessage)
        OnInputMessage(this, f(6), f(3), f(4), f(5), ReceiveTime());
}

bool TParvaneNetwork::SendHistoryInUse(int iSlot) const
{
    // Every stored message has a 12-character identifier; the destination text may be
    // empty (a listed peer without machine name), so it cannot tell a free slot.
    return !PVS_SendHistory[static_cast<std::size_t>(iSlot)].MessageID.isEmpty();
}

void TParvaneNetwork::SendHistoryFree(int iSlot)
{
    SendTimeoutStop(iSlot);
    PVS_SendHistory[static_cast<std::size_t>(iSlot)] = TPVN_SendHistory{};
}

void TParvaneNetwork::SendHistoryClear()
{
    for (int i = 1; i <= SendHistoryCount; ++i)
        SendHistoryFree(i);
}

void TParvaneNetwork::SendHistoryTimeout(int iSlot)
{
    if (iSlot < 1 || iSlot > SendHistoryCount || !SendHistoryInUse(iSlot))
        return;
    // Freed before the event, so a handler that sends again may take this slot.
    const TPVN_SendHistory slot = PVS_SendHistory[static_cast<std::size_t>(iSlot)];
    SendHistoryFree(iSlot);
    if (OnErrorSend)
        OnErrorSend(this, slot.Message, slot.MessageID, slot.HostName, slot.Discrimination);
}
