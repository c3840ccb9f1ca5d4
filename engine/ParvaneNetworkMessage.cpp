// Messages, receipts and requests addressed to one copy. Until that code
// lands, every operation fails harmlessly and received records are ignored.
#include "ParvaneNetwork.h"

QString TParvaneNetwork::MessageSend(const QString& sSendMessage, const QString& sSendHost,
                                     const QString& sSendDiscrimination, bool bSendLetter)
{
    Q_UNUSED(sSendMessage);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    Q_UNUSED(bSendLetter);
    return QString();
}

bool TParvaneNetwork::MessageOpen(const QString& sMessageID, const QString& sSendHost,
                                  const QString& sDiscrimination)
{
    Q_UNUSED(sMessageID);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sDiscrimination);
    return false;
}

bool TParvaneNetwork::AbsenceRequest(const QString& sSendHost, const QString& sDiscrimination)
{
    Q_UNUSED(sSendHost);
    Q_UNUSED(sDiscrimination);
    return false;
}

bool TParvaneNetwork::MenuRequest(const QString& sSendHost, const QString& sDiscrimination)
{
    Q_UNUSED(sSendHost);
    Q_UNUSED(sDiscrimination);
    return false;
}

bool TParvaneNetwork::InputSelect(const QString& sMessage, const QString& sList, const QString& sReturn,
                                  const QString& sDiscrimination, const QString& sSendHost,
                                  const QString& sSendDiscrimination)
{
    Q_UNUSED(sMessage);
    Q_UNUSED(sList);
    Q_UNUSED(sReturn);
    Q_UNUSED(sDiscrimination);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    return false;
}

bool TParvaneNetwork::InputLine(const QString& sMessage, const QString& sMessageLine, const QString& sDiscrimination,
                                const QString& sSendHost, const QString& sSendDiscrimination, bool bPassword)
{
    Q_UNUSED(sMessage);
    Q_UNUSED(sMessageLine);
    Q_UNUSED(sDiscrimination);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    Q_UNUSED(bPassword);
    return false;
}

bool TParvaneNetwork::InputText(const QString& sMessage, const QString& sDiscrimination, const QString& sSendHost,
                                const QString& sSendDiscrimination)
{
    Q_UNUSED(sMessage);
    Q_UNUSED(sDiscrimination);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    return false;
}

bool TParvaneNetwork::InputReturn(const QString& sDiscrimination, const QString& sReturn, const QString& sSendHost,
                                  const QString& sSendDiscrimination)
{
    Q_UNUSED(sDiscrimination);
    Q_UNUSED(sReturn);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    return false;
}

bool TParvaneNetwork::InputMessage(const QString& sMessage, const QString& sSendHost,
                                   const QString& sSendDiscrimination)
{
    Q_UNUSED(sMessage);
    Q_UNUSED(sSendHost);
    Q_UNUSED(sSendDiscrimination);
    return false;
}

QString TParvaneNetwork::DestinationAddress(const QString& sSendHost) const
{
    Q_UNUSED(sSendHost);
    return QString();
}

bool TParvaneNetwork::SendMessageOk(const QString& sMessageID, const QString& sIPAddress,
                                    const QString& sDiscrimination)
{
    Q_UNUSED(sMessageID);
    Q_UNUSED(sIPAddress);
    Q_UNUSED(sDiscrimination);
    return false;
}

bool TParvaneNetwork::SendAbsenceMessage(const QString& sAbsenceMessage, const QString& sAbsenceTitle,
                                         const QString& sIPAddress, const QString& sDiscrimination)
{
    Q_UNUSED(sAbsenceMessage);
    Q_UNUSED(sAbsenceTitle);
    Q_UNUSED(sIPAddress);
    Q_UNUSED(sDiscrimination);
    return false;
}

bool TParvaneNetwork::SendMenuNothing(const QString& sIPAddress, const QString& sDiscrimination)
{
    Q_UNUSED(sIPAddress);
    Q_UNUSED(sDiscrimination);
    return false;
}

void TParvaneNetwork::RecvOpenCheck(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvHuzaiCheck(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvHuzaiMessage(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvMenuCheck(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvMenuNothing(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvMessage(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvMessageOk(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvInputSelect(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvInputLine(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvInputText(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvInputReturn(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::RecvInputMessage(const QString& sData)
{
    Q_UNUSED(sData);
}

void TParvaneNetwork::SendHistoryClear()
{
    for (int i = 1; i <= SendHistoryCount; ++i) {
        SendTimeoutStop(i);
        PVS_SendHistory[static_cast<std::size_t>(i)] = TPVN_SendHistory{};
    }
}

void TParvaneNetwork::SendHistoryTimeout(int iSlot)
{
    if (iSlot >= 1 && iSlot <= SendHistoryCount)
        PVS_SendHistory[static_cast<std::size_t>(iSlot)] = TPVN_SendHistory{};
}
