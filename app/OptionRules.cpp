#include "OptionRules.h"

#include "FileAccess.h"
#include "FileSave.h"
#include "IniFile.h"
#include "ParvaneNetwork.h"
#include "SubUnit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kHandleEmpty = QStringLiteral("ハンドル名を入力してください。");
const QString kPortRange = QStringLiteral("メッセージポートは%1～%2までの数値で設定してください。")
                               .arg(MinimumPortNo)
                               .arg(TParvaneNetwork::MaximumPortNo);
const QString kFTPPortRange = QStringLiteral("ファイル転送ポートは%1～%2までの数値で設定してください。")
                                  .arg(MinimumPortNo)
                                  .arg(TParvaneNetwork::MaximumPortNo);
const QString kPortSame =
    QStringLiteral("メッセージポートとファイル転送ポートを同じ値に設定することはできません。");

const QString kAbsenceAddEmpty = QStringLiteral("追加する種類名を入力してください。");
const QString kAbsenceNameEmpty = QStringLiteral("新しい種類名を入力してください。");
const QString kAbsenceExists = QStringLiteral("指定された種類名は既に存在しています。");
const QString kAddressEmpty = QStringLiteral("追加するアドレスを入力してください。");
const QString kAddressExists = QStringLiteral("指定されたアドレスは既に存在しています。");
const QString kAddressUnresolved = QStringLiteral(
    "指定されたドメイン名からIPアドレスを取得することができませんでした。\r\rこのドメイン名を直接送るアド"
    "レスとして登録しますか？\r登録した場合、Parvane 2 の全体的なレスポンスが低下する可能性があります。");

const QString kSettingsMoveOn = QStringLiteral(
    "設定ファイルの移行に失敗しました。対象ファイルが読み込み専用になっていないか、ロックされて"
    "いないかを確認してください。\rマルチユーザ機能を有効にすることができませんでした。");
const QString kLogMoveOn = QStringLiteral(
    "ログファイルの移行に失敗しました。対象ファイルが読み込み専用になっていないか、ロックされて"
    "いないかを確認してください。\rマルチユーザ機能を有効にすることができませんでした。");
const QString kSettingsMoveOff = QStringLiteral(
    "設定ファイルの移行に失敗しました。対象ファイルが読み込み専用になっていないか、ロックされて"
    "いないかを確認してください。\rマルチユーザ機能を解除することができませんでした。");
const QString kLogMoveOff = QStringLiteral(
    "ログファイルの移行に失敗しました。対象ファイルが読み込み専用になっていないか、ロックされて"
    "いないかを確認してください。\rマルチユーザ機能を解除することができませんでした。");

bool PortOutOfRange(int iPort)
{
    return iPort < MinimumPortNo || iPort > TParvaneNetwork::MaximumPortNo;
}

} // namespace

int OptionPortValue(const QString& sText, int iFallback)
{
    return IniFile::StringToInteger(sText).value_or(iFallback);
}

std::optional<TOptionRefusal> OptionApplyCheck(const TOptionEntries& entries)
{
    const QString edHandleName = QStringLiteral("edHandleName");
    if (entries.sHandleName.isEmpty())
        return TOptionRefusal{TOptionPage::Profile, edHandleName, -1, kHandleEmpty};
    if (const auto text = ForbiddenSequenceRefusal(entries.sHandleName, QStringLiteral("ハンドル名")))
        return TOptionRefusal{TOptionPage::Profile, edHandleName, -1, *text};
    if (entries.pAbsence) {
        for (int i = 0; i < AbsenceMessageCount; ++i)
            if (const auto text = ForbiddenSequenceRefusal((*entries.pAbsence)[i].sMessage,
                                                           QStringLiteral("不在メッセージ")))
                return TOptionRefusal{TOptionPage::Absence, QStringLiteral("mmAbsenceMessage"), i, *text};
    }
    if (!entries.bNetworkPort)
        return std::nullopt;
    const int iPort = OptionPortValue(entries.sPortNo, 0);
    const int iFTPPort = OptionPortValue(entries.sFTPPortNo, 0);
    if (PortOutOfRange(iPort))
        return TOptionRefusal{TOptionPage::Network, QStringLiteral("edNetworkPortNo"), -1, kPortRange};
    if (PortOutOfRange(iFTPPort))
        return TOptionRefusal{TOptionPage::Network, QStringLiteral("edNetworkFTPPortNo"), -1, kFTPPortRange};
    if (iPort == iFTPPort)
        return TOptionRefusal{TOptionPage::Network, QStringLiteral("edNetworkPortNo"), -1, kPortSame};
    return std::nullopt;
}

std::optional<QString> AbsenceAddCheck(const QString& sTitle, const QStringList& slTitles)
{
    if (sTitle.isEmpty())
        return kAbsenceAddEmpty;
    if (slTitles.contains(sTitle, Qt::CaseSensitive))
        return kAbsenceExists;
    // A title travels as a field of the away state and of the away menu's records.
    return ForbiddenSequenceRefusal(sTitle, QStringLiteral("種類名"));
}

std::optional<QString> AbsenceNameCheck(const QString& sTitle, const QStringList& slTitles, int iSelected)
{
    if (sTitle.isEmpty())
        return kAbsenceNameEmpty;
    for (qsizetype i = 0; i < slTitles.size(); ++i)
        if (i != iSelected && slTitles[i] == sTitle)
            return kAbsenceExists;
    return ForbiddenSequenceRefusal(sTitle, QStringLiteral("種類名"));
}

QString AddressTrim(const QString& sText)
{
    qsizetype first = 0, last = sText.size();
    while (first < last && sText[first].unicode() <= u' ')
        ++first;
    while (last > first && sText[last - 1].unicode() <= u' ')
        --last;
    return sText.mid(first, last - first);
}

TNetworkAddCheck NetworkAddCheck(const QString& sText, const QStringList& slList,
                                 const std::function<QString(const QString&)>& resolve)
{
    QString address = AddressTrim(sText);
    if (address.isEmpty())
        return {TNetworkAddCheck::Refuse, QString(), kAddressEmpty};
    // The list is stored joined by the field separator.
    if (const auto text = ForbiddenSequenceRefusal(address, QStringLiteral("アドレス")))
        return {TNetworkAddCheck::Refuse, QString(), *text};
    if (slList.contains(address, Qt::CaseSensitive))
        return {TNetworkAddCheck::Refuse, QString(), kAddressExists};
    if (TParvaneNetwork::IPAddressCheck(address)) {
        // "10.1" and "10.0.0.1" are one address: the canonical form is looked for too.
        if (slList.contains(address, Qt::CaseSensitive))
            return {TNetworkAddCheck::Refuse, QString(), kAddressExists};
        return {TNetworkAddCheck::Accept, address, QString()};
    }
    if (resolve && resolve(address).isEmpty())
        return {TNetworkAddCheck::Ask, address, kAddressUnresolved};
    return {TNetworkAddCheck::Accept, address, QString()};
}

bool FileReplaceable(const QString& sSource, const QString& sTarget)
{
    const QFileInfo target(sTarget);
    if (!target.exists())
        return QFileInfo(target.absolutePath()).isWritable();
    if (target.isDir())
        return !QFileInfo::exists(sSource) && QDir(sTarget).isEmpty();
    return !ReadOnlyFile(target);
}

bool FileReplace(const QString& sSource, const QString& sTarget)
{
    const QFileInfo target(sTarget);
    if (!QFileInfo::exists(sSource)) {
        if (!target.exists())
            return true;
        return target.isDir() ? QDir().rmdir(sTarget) : QFile::remove(sTarget);
    }
    if (ReadOnlyFile(target))
        return false;
    QFile source(sSource);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return false;
    // The whole file or nothing: a copy cut short would be a settings file that lost its keys.
    return FileSaveAtomic(sTarget, bytes);
}

TFilesMove MultiUserFilesMove(const TFilePair& settings, const TFilePair& log)
{
    if (!FileReplaceable(settings.sSource, settings.sTarget))
        return TFilesMove::SettingsFailed;
    if (!FileReplaceable(log.sSource, log.sTarget))
        return TFilesMove::LogFailed;
    if (!FileReplace(settings.sSource, settings.sTarget))
        return TFilesMove::SettingsFailed;
    if (!FileReplace(log.sSource, log.sTarget))
        return TFilesMove::LogFailed;
    return TFilesMove::Done;
}

QString MultiUserMoveErrorText(TFilesMove result, bool bSwitchOn)
{
    if (result == TFilesMove::SettingsFailed)
        return bSwitchOn ? kSettingsMoveOn : kSettingsMoveOff;
    if (result == TFilesMove::LogFailed)
        return bSwitchOn ? kLogMoveOn : kLogMoveOff;
    return QString();
}

std::optional<QString> MultiUserSwitch(bool bMultiUser, const QString& sLoginName)
{
    if (bMultiUser == !WindowsUserName.isEmpty())
        return std::nullopt;
    const QString sShared = ProgramDirectory + SettingsBaseName;
    const QString sUser = bMultiUser ? MultiUserNameOf(sLoginName) : QString();
    const QString sBase = bMultiUser ? FileBaseNameFor(true, sUser) : sShared;
    const TFilesMove moved = MultiUserFilesMove({FileBaseName + SettingsExtension, sBase + SettingsExtension},
                                                {FileBaseName + LogExtension, sBase + LogExtension});
    if (moved != TFilesMove::Done)
        return MultiUserMoveErrorText(moved, bMultiUser);
    WindowsUserName = sUser;
    FileBaseName = sBase;
    return std::nullopt;
}
