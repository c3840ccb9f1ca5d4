// Presence, chat and the peer table.
//
// Records are a keyword and fields joined by "&|":
//   PVMESSAGE:LOGIN        Mch IP Dis Hdl Version Absence Menu Chat FTPPortNo IPList AbsenceTitle
//   PVMESSAGE:LOGIN_OK     dIP dDis, then the fields of LOGIN
//   PVMESSAGE:INFO_CHANGE  Mch Dis IP Hdl Version ...   (Dis before IP)
//   PVMESSAGE:LOGOUT       Mch Dis
//   PVMESSAGE:CHAT_MESSAGE Hdl Mch IP Dis MessageID Message
// Booleans are "0"/"1"; IPList is every own address followed by CR LF.
//
// A source address proves nothing, but it is what the table has: a change or a
// log-out of a listed peer counts only from one of its own addresses, while a
// LOGIN counts from anywhere, as a peer whose address changed announces itself
// with one; and one address holds only a few entries.
#include "ParvaneNetwork.h"
#include "ProtocolRecords.h"
#include "Stamps.h"
#include "SystemClock.h"
#include "TimeText.h"

using namespace ProtocolRecords;

namespace {

// The numbers of a presence record: Version, Absence and Menu must convert,
// Chat and FTPPort fall back to 0.
struct PresenceNumbers {
    int Version;
    bool Absence;
    bool Menu;
    bool Chat;
    int FTPPort;
};

std::optional<PresenceNumbers> ConvertPresence(const QString& version, const QString& absence,
                                               const QString& menu, const QString& chat, const QString& port)
{
    const auto v = StrictInteger(version);
    const auto a = StrictInteger(absence);
    const auto m = StrictInteger(menu);
    if (!v || !a || !m)
        return std::nullopt;
    return PresenceNumbers{*v, *a != 0, *m != 0, StrictInteger(chat).value_or(0) != 0,
                           StrictInteger(port).value_or(0)};
}

} // namespace

QString TParvaneNetwork::IPListText(const QStringList& list)
{
    QString text;
    for (const QString& address : list)
        text += address + kLineBreak;
    return text;
}

QString TParvaneNetwork::MainAddress() const
{
    return FIPAddress.isEmpty() ? QString() : FIPAddress.first();
}

QString TParvaneNetwork::AddressListText() const
{
    return IPListText(FIPAddress);
}

QString TParvaneNetwork::ProfileFields(bool bDiscriminationFirst) const
{
    const QString& s = FieldSeparator;
    const QString head = bDiscriminationFirst ? FMachineName + s + FDiscrimination + s + MainAddress()
                                              : FMachineName + s + MainAddress() + s + FDiscrimination;
    return head + s + FHandleName + s + QString::number(FVersion) + s + Flag(FAbsence) + s + Flag(FMenu) + s +
           Flag(FChat) + s + QString::number(FFTPPortNo) + s + AddressListText() + s + FAbsenceTitle;
}

QString TParvaneNetwork::ReceiveTime() const
{
    return TimeText::ReceiveTimeText(SystemClock::Now());
}

bool TParvaneNetwork::IsAddressedHere(const QString& sIPAddress, const QString& sDiscrimination) const
{
    return FIPAddress.contains(sIPAddress) && sDiscrimination == FDiscrimination;
}

bool TParvaneNetwork::Login()
{
    if (FSocketNo == -1 || FLoginStates)
        return false;
    FLoginStates = true;
    return SendPacket(kLogin + FieldSeparator + ProfileFields(false), QString());
}

bool TParvaneNetwork::Logout()
{
    if (!FLoginStates)
        return false;
    FileTransferCancelAll();
    const bool sent =
        SendPacket(kLogout + FieldSeparator + FMachineName + FieldSeparator + FDiscrimination, QString());
    FLoginStates = false;
    LoginUserClear();
    FChat = false;
    return sent;
}

bool TParvaneNetwork::InformationUpdate()
{
    if (!FLoginStates)
        return false;
    return SendPacket(kInfoChange + FieldSeparator + ProfileFields(true), QString());
}

bool TParvaneNetwork::InformationReflesh()
{
    if (FSocketNo == -1 || !FLoginStates)
        return false;
    LoginUserClear();
    return SendPacket(kLogin + FieldSeparator + ProfileFields(false), QString());
}

bool TParvaneNetwork::ChatLogin()
{
    if (FSocketNo == -1 || !FLoginStates)
        return false;
    FChat = true;
    return InformationUpdate();
}

bool TParvaneNetwork::ChatLogout()
{
    if (FSocketNo == -1 || !FLoginStates)
        return false;
    FChat = false;
    return InformationUpdate();
}

QString TParvaneNetwork::ChatSend(const QString& sSendMessage)
{
    if (FSocketNo == -1 || !FLoginStates)
        return QString();
    const QString id = Stamps::NewMessageId();
    const QString& s = FieldSeparator;
    const QString text = kChatMessage + s + FHandleName + s + FMachineName + s + MainAddress() + s +
                         FDiscrimination + s + id + s + sSendMessage;
    return SendPacket(text, QString()) ? id : QString();
}

bool TParvaneNetwork::SendLoginOk(const QString& sIPAddress, const QString& sDiscrimination)
{
    return SendPacket(kLoginOk + FieldSeparator + sIPAddress + FieldSeparator + sDiscrimination +
                          FieldSeparator + ProfileFields(false),
                      QString());
}

void TParvaneNetwork::RecvLogin(const QString& sData)
{
    const RecordFields f(sData);
    SendLoginOk(f(2), f(3));
    const auto numbers = ConvertPresence(f(5), f(6), f(7), f(8), f(9));
    if (!numbers)
        return;
    const bool listed = !f(10).isEmpty();
    LoginUserSet(f(1), f(3), listed ? f(10) : f(2), f(4), numbers->Version, numbers->Absence,
                 listed ? f(11) : QString(), numbers->Menu, numbers->Chat, numbers->FTPPort,
                 PVS_RecvInformation.HostName);
}

void TParvaneNetwork::RecvLoginOk(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsAddressedHere(f(1), f(2)))
        return;
    // The answer this copy gave its own LOGIN; the own entry came from the LOGIN itself.
    if (FIPAddress.contains(f(4)) && f(5) == FDiscrimination)
        return;
    const auto numbers = ConvertPresence(f(7), f(8), f(9), f(10), f(11));
    if (!numbers)
        return;
    const bool listed = !f(12).isEmpty();
    LoginUserSet(f(3), f(5), listed ? f(12) : f(4), f(6), numbers->Version, numbers->Absence,
                 listed ? f(13) : QString(), numbers->Menu, numbers->Chat, numbers->FTPPort,
                 PVS_RecvInformation.HostName);
}

void TParvaneNetwork::RecvInfoChange(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsFromListedPeer(f(1), f(2), PVS_RecvInformation.HostName))
        return;
    const auto numbers = ConvertPresence(f(5), f(6), f(7), f(8), f(9));
    if (!numbers)
        return;
    const bool listed = !f(10).isEmpty();
    LoginUserSet(f(1), f(2), listed ? f(10) : f(3), f(4), numbers->Version, numbers->Absence,
                 listed ? f(11) : QString(), numbers->Menu, numbers->Chat, numbers->FTPPort,
                 PVS_RecvInformation.HostName);
}

void TParvaneNetwork::RecvLogout(const QString& sData)
{
    const RecordFields f(sData);
    if (!IsFromListedPeer(f(1), f(2), PVS_RecvInformation.HostName))
        return;
    LoginUserDelete(f(1), f(2));
}

void TParvaneNetwork::RecvChatMessage(const QString& sData)
{
    if (!FChat || !OnChatMessage)
        return;
    const RecordFields f(sData);
    OnChatMessage(this, f(6), f(5), f(1), f(2), f(4), ReceiveTime());
}

void TParvaneNetwork::LoginUserSet(const QString& Machine, const QString& Discrimination,
                                   const QString& IPList, const QString& Handle, int Version, bool Absence,
                                   const QString& AbsenceTitle, bool Menu, bool Chat, int FTPPort,
                                   const QString& Sender)
{
    auto assign = [&](TPVN_LoginUserInformation& entry) {
        entry.Handle = Handle;
        entry.IPAddress = TextLines(IPList);
        entry.Discrimination = Discrimination;
        entry.Version = Version;
        entry.Absence = Absence;
        entry.AbsenceTitle = AbsenceTitle;
        entry.Menu = Menu;
        entry.Chat = Chat;
        entry.FTPPort = FTPPort;
    };
    const int found = LoginUserIndex(Machine, Discrimination);
    if (found >= 0) {
        TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(found)];
        entry.Sender = Sender;
        if (entry.Handle == Handle && IPListText(entry.IPAddress) == IPList && entry.Version == Version &&
            entry.Absence == Absence && entry.AbsenceTitle == AbsenceTitle && entry.Menu == Menu &&
            entry.Chat == Chat) {
            // A new file port alone raises nothing, but files must go where the peer listens now.
            entry.FTPPort = FTPPort;
            return;
        }
        assign(entry);
        // A copy: a handler may empty the table while it runs.
        const TPVN_LoginUserInformation e = entry;
        if (OnInfoChange)
            OnInfoChange(this, e.Machine, e.Handle, e.IPAddress.value(0), e.Discrimination, e.Version,
                         e.Absence, e.AbsenceTitle, e.Menu, e.Chat, e.FTPPort);
        return;
    }
    if (!LoginUserMakeRoom(Sender))
        return;
    // A full table ignores further peers rather than write past its end.
    if (FLoginCount >= LoginUserCapacity)
        return;
    TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(FLoginCount)];
    FLoginCount += 1;
    entry.Machine = Machine;
    entry.Sender = Sender;
    assign(entry);
    const TPVN_LoginUserInformation e = entry;
    if (OnLogin)
        OnLogin(this, e.Handle, e.Machine, e.IPAddress.value(0), e.Discrimination, e.Version, e.Absence,
                e.AbsenceTitle, e.Menu, e.Chat, e.FTPPort);
}

int TParvaneNetwork::LoginUserIndex(const QString& Machine, const QString& Discrimination) const
{
    for (int i = 0; i < FLoginCount; ++i) {
        const TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(i)];
        if (entry.Machine == Machine && entry.Discrimination == Discrimination)
            return i;
    }
    return -1;
}

bool TParvaneNetwork::IsFromListedPeer(const QString& Machine, const QString& Discrimination,
                                       const QString& sSender) const
{
    const int found = LoginUserIndex(Machine, Discrimination);
    // A change from a peer not listed yet enters it as a log-in would.
    if (found < 0)
        return true;
    const TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(found)];
    return entry.IPAddress.contains(sSender) || entry.Sender == sSender;
}

bool TParvaneNetwork::LoginUserMakeRoom(const QString& sSender)
{
    int held = 0;
    int oldest = -1;
    for (int i = 0; i < FLoginCount; ++i) {
        const TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(i)];
        if (entry.Sender != sSender)
            continue;
        ++held;
        // This copy's own entry stays: its own records are the ones that keep it.
        if (oldest < 0 && (entry.Machine != FMachineName || entry.Discrimination != FDiscrimination))
            oldest = i;
    }
    if (held < LoginUserPerAddressMax || oldest < 0)
        return true;
    const bool bLoggedIn = FLoginStates;
    const TPVN_LoginUserInformation gone = FLoginUser[static_cast<std::size_t>(oldest)];
    LoginUserDelete(gone.Machine, gone.Discrimination);
    // The handler of the log-out may have logged this copy out.
    return FLoginStates || !bLoggedIn;
}

void TParvaneNetwork::LoginUserDelete(const QString& Machine, const QString& Discrimination)
{
    const int found = LoginUserIndex(Machine, Discrimination);
    if (found < 0)
        return;
    const TPVN_LoginUserInformation gone = FLoginUser[static_cast<std::size_t>(found)];
    for (int i = found; i + 1 < LoginUserCapacity; ++i)
        FLoginUser[static_cast<std::size_t>(i)] = FLoginUser[static_cast<std::size_t>(i + 1)];
    FLoginUser[LoginUserCapacity - 1] = TPVN_LoginUserInformation{};
    FLoginCount -= 1;
    if (OnLogout)
        OnLogout(this, gone.Handle, gone.Machine, IPListText(gone.IPAddress), gone.Discrimination);
}

QString TParvaneNetwork::MachineNameToIPAddress(const QString& sMachineName) const
{
    for (int i = 0; i < FLoginCount; ++i) {
        const TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(i)];
        if (entry.Machine == sMachineName)
            return entry.IPAddress.value(0);
    }
    return QString();
}
