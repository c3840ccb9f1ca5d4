#include "Settings.h"

#include "AnsiCodePage.h"
#include "ParvaneNetwork.h"
#include "WindowKinds.h"

namespace {

const QString kMultiUser = QStringLiteral("MultiUser");
const QString kHandleName = QStringLiteral("HandleName");
const QString kNetworkBroadcast = QStringLiteral("NetworkBroadcast");
const QString kAbsenceTitle = QStringLiteral("Absence-Title");
const QString kAbsenceMessage = QStringLiteral("Absence-Message");
const QString kLastCheck = QStringLiteral("LastCheck");
const QString kCrLf = QStringLiteral("\r\n");

// Before anything reads the file, every variable of the table holds its default.
[[maybe_unused]] const bool kDefaultsSet = [] {
    for (const std::vector<TOptionKey>& keys : {OptionKeysBeforeAbsence(), OptionKeysAfterAbsence()})
        for (const TOptionKey& key : keys)
            std::visit(
                [&key](auto variable) {
                    using T = decltype(variable);
                    if constexpr (std::is_same_v<T, bool*>)
                        *variable = std::get<bool>(key.value);
                    else if constexpr (std::is_same_v<T, int*>)
                        *variable = std::get<int>(key.value);
                    else if constexpr (std::is_same_v<T, QString*>)
                        *variable = std::get<QString>(key.value);
                    else
                        variable.text->clear();
                },
                key.variable);
    return true;
}();

const void* VariableOf(const TOptionKey& key)
{
    return std::visit(
        [](auto variable) -> const void* {
            if constexpr (std::is_same_v<decltype(variable), TOptionPassword>)
                return variable.text;
            else
                return variable;
        },
        key.variable);
}

void ReadKeys(const IniFile& ini, const std::vector<TOptionKey>& keys)
{
    for (const TOptionKey& key : keys) {
        std::visit(
            [&](auto variable) {
                using T = decltype(variable);
                if constexpr (std::is_same_v<T, bool*>)
                    *variable = ini.ReadBool(SectionOption, key.name, std::get<bool>(key.value));
                else if constexpr (std::is_same_v<T, int*>)
                    *variable = ini.ReadInteger(SectionOption, key.name, std::get<int>(key.value));
                else if constexpr (std::is_same_v<T, QString*>)
                    *variable = ini.ReadString(SectionOption, key.name, std::get<QString>(key.value));
                else
                    *variable.text =
                        PasswordFromStoredForm(ini.ReadString(SectionOption, key.name, QString()));
            },
            key.variable);
    }
}

bool WriteKeys(IniFile& ini, const std::vector<TOptionKey>& keys)
{
    for (const TOptionKey& key : keys) {
        const bool written = std::visit(
            [&](auto variable) {
                using T = decltype(variable);
                if constexpr (std::is_same_v<T, bool*>)
                    return ini.WriteBool(SectionOption, key.name, *variable);
                else if constexpr (std::is_same_v<T, int*>)
                    return ini.WriteInteger(SectionOption, key.name, *variable);
                else if constexpr (std::is_same_v<T, QString*>)
                    return ini.WriteString(SectionOption, key.name, *variable);
                else
                    return ini.WriteString(SectionOption, key.name, PasswordStoredForm(*variable.text));
            },
            key.variable);
        if (!written)
            return false;
    }
    return true;
}

// A port outside the range the options window allows would bind some other port
// or none; such a value reads as the default.
int ReadPort(const IniFile& ini, const QString& sKey, int iDefault)
{
    const int port = ini.ReadInteger(SectionOption, sKey, iDefault);
    return (port >= MinimumPortNo && port <= TParvaneNetwork::MaximumPortNo) ? port : iDefault;
}

// A handle name with the record separators in it would split the peers' records.
bool HandleNameAcceptable(const QString& sName)
{
    return !sName.isEmpty() && TParvaneNetwork::ForbiddenSequenceIn(sName).isEmpty();
}

// The ports are read and written apart from the other keys: the command line
// may give them instead.
const QString kNetworkPort = QStringLiteral("NetworkPort");
const QString kNetworkPortNo = QStringLiteral("NetworkPortNo");
const QString kNetworkFTPPortNo = QStringLiteral("NetworkFTPPortNo");
const std::pair<const void*, QString> kPortKeys[] = {
    {&NetworkPort, kNetworkPort}, {&NetworkPortNo, kNetworkPortNo}, {&NetworkFTPPortNo, kNetworkFTPPortNo}};

} // namespace

QString OptionKeyName(const void* pVariable)
{
    if (pVariable == &HandleName)
        return kHandleName;
    for (const auto& [pPort, sKey] : kPortKeys)
        if (pPort == pVariable)
            return sKey;
    for (const std::vector<TOptionKey>& keys : {OptionKeysBeforeAbsence(), OptionKeysAfterAbsence()})
        for (const TOptionKey& key : keys)
            if (VariableOf(key) == pVariable)
                return key.name;
    return QString();
}

QString ProgramDirectoryOf(const QString& sApplicationDir)
{
    return sApplicationDir.endsWith(u'/') ? sApplicationDir : sApplicationDir + u'/';
}

QString SharedSettingsFileName()
{
    return ProgramDirectory + SettingsBaseName + SettingsExtension;
}

QString FileBaseNameFor(bool bMultiUser, const QString& sUserName)
{
    if (!bMultiUser)
        return ProgramDirectory + SettingsBaseName;
    return ProgramDirectory + SettingsBaseName + QStringLiteral(" -") + sUserName + u'-';
}

QString SettingsFileName()
{
    return FileBaseName + SettingsExtension;
}

QString MultiUserNameOf(const QString& sLoginName)
{
    // The system's user-name call fills at most 255 characters and fails beyond them.
    constexpr qsizetype kMaxUserNameLength = 255;
    return sLoginName.size() <= kMaxUserNameLength ? sLoginName : QString();
}

void SettingsLocate(const QString& sLoginName)
{
    const IniFile shared(SharedSettingsFileName());
    const bool multiUser = shared.ReadBool(SectionAllUsers, kMultiUser, false);
    WindowsUserName = multiUser ? MultiUserNameOf(sLoginName) : QString();
    FileBaseName = FileBaseNameFor(multiUser, WindowsUserName);
}

bool SettingsWriteMultiUser(bool bMultiUser)
{
    IniFile shared(SharedSettingsFileName());
    return shared.WriteBool(SectionAllUsers, kMultiUser, bMultiUser);
}

QString PasswordStoredForm(const QString& sPlain)
{
    return TParvaneNetwork::StringToPassword(TParvaneNetwork::StringToPassword(sPlain));
}

QString PasswordFromStoredForm(const QString& sStored)
{
    return TParvaneNetwork::PasswordToString(TParvaneNetwork::PasswordToString(sStored));
}

QString AbsenceMessageStoredForm(const QString& sMessage)
{
    // Through the code page first, as the file will hold it. A line break made of
    // LF or CR alone would otherwise end the line in the file, so every form of
    // line break is stored as the separator.
    QString text = AnsiCodePage::Decode(AnsiCodePage::Encode(sMessage));
    TParvaneNetwork::StringReplacement(kCrLf, TParvaneNetwork::FieldSeparator, text);
    TParvaneNetwork::StringReplacement(QStringLiteral("\n"), TParvaneNetwork::FieldSeparator, text);
    TParvaneNetwork::StringReplacement(QStringLiteral("\r"), TParvaneNetwork::FieldSeparator, text);
    return text;
}

QString AbsenceMessageFromStoredForm(const QString& sStored)
{
    QString text = sStored;
    TParvaneNetwork::StringReplacement(TParvaneNetwork::FieldSeparator, kCrLf, text);
    return text;
}

QString LastCheckText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

void SettingsReadPorts(const IniFile& ini)
{
    NetworkPort = ini.ReadBool(SectionOption, kNetworkPort, false);
    NetworkPortNo = ReadPort(ini, kNetworkPortNo, TParvaneNetwork::DefaultPortNo);
    NetworkFTPPortNo = ReadPort(ini, kNetworkFTPPortNo, TParvaneNetwork::DefaultFTPPortNo);
}

void SettingsReadBars(const IniFile& ini)
{
    CustomizeMenuBarHide = ini.ReadBool(SectionOption, KeyMenuBarHide, false);
    CustomizeToolBarHide = ini.ReadBool(SectionOption, KeyToolBarHide, false);
    CustomizeStatusBarHide = ini.ReadBool(SectionOption, KeyStatusBarHide, false);
}

void SettingsReadViewFlags(const IniFile& ini)
{
    for (const TWindowKindInfo& kind : WindowKinds()) {
        for (const auto& [pFlag, sKey] :
             {std::pair{kind.pShowHeader, &KeyShowHeader}, std::pair{kind.pShowSend, &KeyShowSend},
              std::pair{kind.pShowStatus, &KeyShowStatus}}) {
            if (pFlag != nullptr)
                *pFlag = ini.ReadBool(kind.Section(), *sKey, true);
        }
    }
}

void SettingsReadOption(const IniFile& ini, const QString& sMachineName)
{
    // A name the options window would refuse (an empty one, or one with the
    // record separators) would go to the peers as it is; the computer name does not.
    HandleName = ini.ReadString(SectionOption, kHandleName, sMachineName);
    if (!HandleNameAcceptable(HandleName))
        HandleName = sMachineName;
    ReadKeys(ini, OptionKeysBeforeAbsence());
    ReadKeys(ini, OptionKeysAfterAbsence());
    // These choose one of a fixed set of places and animations; a number outside
    // the set would choose none of them, so it reads as the default.
    const auto keepChoice = [](int& value, int last, int fallback) {
        if (value < 0 || value > last)
            value = fallback;
    };
    keepChoice(NoticePosition, npBottomRight, npBottomRight);
    keepChoice(AnimationMouse, 3, 1);
    // The tray's "none" is the still icon, which is what any other number shows too.
    keepChoice(AnimationTaskTrayIcon, 2, 0);
}

QString SettingsReadBroadcastIP(const IniFile& ini)
{
    const QString single = ini.ReadString(SectionOption, kNetworkBroadcast, QString());
    if (!single.isEmpty())
        return single;
    QStringList addresses;
    for (int i = 0;; ++i) {
        const QString address =
            ini.ReadString(SectionOption, kNetworkBroadcast + QString::number(i), QString());
        if (address.isEmpty())
            break;
        addresses.append(address);
    }
    return addresses.join(TParvaneNetwork::FieldSeparator);
}

void SettingsReadAbsence(const IniFile& ini)
{
    for (int i = 0; i < AbsenceMessageCount; ++i) {
        AbsenceMessage[i].sTitle =
            ini.ReadString(SectionOption, kAbsenceTitle + QString::number(i), QString());
        AbsenceMessage[i].sMessage = AbsenceMessageFromStoredForm(
            ini.ReadString(SectionOption, kAbsenceMessage + QString::number(i), QString()));
    }
    if (ini.ValueExists(SectionOption, kAbsenceTitle + u'0'))
        return;
    AbsenceMessage[0] = {QStringLiteral("離席中"), QStringLiteral("席を外しています。")};
    AbsenceMessage[1] = {QStringLiteral("外出中"), QStringLiteral("外出しています。")};
    AbsenceMessage[2] = {QStringLiteral("電話中"), QStringLiteral("電話応対中です。")};
}

QString SettingsReadLastCheck(const IniFile& ini)
{
    return ini.ReadString(SectionUpdateWindow, kLastCheck, QString());
}

bool SettingsWriteBroadcastIP(IniFile& ini, const QStringList& slBroadcastIP)
{
    // An empty item would end the list for the reader and hide the items after it.
    int n = 0;
    for (const QString& address : slBroadcastIP) {
        if (address.isEmpty())
            continue;
        if (!ini.WriteString(SectionOption, kNetworkBroadcast + QString::number(n), address))
            return false;
        ++n;
    }
    return ini.DeleteKey(SectionOption, kNetworkBroadcast + QString::number(n)) &&
           ini.DeleteKey(SectionOption, kNetworkBroadcast);
}

bool SettingsWriteAbsence(IniFile& ini)
{
    for (int i = 0; i < AbsenceMessageCount; ++i) {
        if (!ini.WriteString(SectionOption, kAbsenceTitle + QString::number(i), AbsenceMessage[i].sTitle) ||
            !ini.WriteString(SectionOption, kAbsenceMessage + QString::number(i),
                             AbsenceMessageStoredForm(AbsenceMessage[i].sMessage)))
            return false;
    }
    return true;
}

namespace {

bool WriteOptionKeys(IniFile& ini, const QStringList& slBroadcastIP, bool bWritePorts)
{
    if (!ini.WriteString(SectionOption, kHandleName, HandleName))
        return false;
    if (!WriteKeys(ini, OptionKeysBeforeAbsence()) || !SettingsWriteAbsence(ini) ||
        !WriteKeys(ini, OptionKeysAfterAbsence()) || !SettingsWriteBroadcastIP(ini, slBroadcastIP))
        return false;
    if (!bWritePorts)
        return true;
    return ini.WriteBool(SectionOption, kNetworkPort, NetworkPort) &&
           ini.WriteInteger(SectionOption, kNetworkPortNo, NetworkPortNo) &&
           ini.WriteInteger(SectionOption, kNetworkFTPPortNo, NetworkFTPPortNo);
}

} // namespace

bool SettingsWriteOption(IniFile& ini, const QStringList& slBroadcastIP, bool bWritePorts)
{
    // Some 300 keys: saved one by one they would take seconds of disk syncs.
    IniFileWritingPass pass(ini.FileName());
    const bool written = WriteOptionKeys(ini, slBroadcastIP, bWritePorts);
    return pass.Commit() && written;
}

bool SettingsWriteLastCheck(IniFile& ini, const QDate& date)
{
    return ini.WriteString(SectionUpdateWindow, kLastCheck, LastCheckText(date));
}
