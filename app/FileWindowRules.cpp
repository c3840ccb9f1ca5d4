#include "FileWindowRules.h"

#include "SubUnit.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

const QString kOffline = QStringLiteral("オフライン状態でのファイル送信はできません。\r"
                                        "ParvaneNetworkにログインしてからファイルを送信してください。");
const QString kNoFile = QStringLiteral("指定されたファイルは存在しません。");
const QString kNotRegular = QStringLiteral("指定されたファイルはフォルダ、デバイスまたはパイプです。\r"
                                           "送信できるのは通常のファイルだけです。");
const QString kAbsence =
    QStringLiteral("送信先は現在不在中です。ファイルの受信許可に時間が掛かる恐れがあります。\r"
                   "ファイルを送信してもよろしいですか？");
const QString kSendFailed =
    QStringLiteral("ファイルの送信に失敗しました。送信先がオフラインになってしまっている可能性があります。\r"
                   "ファイル送信は送信先がオンライン状態の時に行う必要があります。");
const QString kSendClosed = QStringLiteral("以下のいずれかの原因によりファイルの送信に失敗しました。\r\r"
                                           "\u3000・送信先でファイルの受信がキャンセルされた。\r"
                                           "\u3000・送信先がオフラインになった。\r"
                                           "\u3000・送信先で何らかのエラーが発生した。");
const QString kSendFile =
    QStringLiteral("以下のいずれかの原因によりファイルの送信に失敗しました。\r\r"
                   "\u3000・送信対象となっているファイルが削除された。\r"
                   "\u3000・送信対象となっているファイルがロックされている。\r"
                   "\u3000・何らかの原因で送信対象となっているファイルのオープンに失敗した。");
const QString kSendUnknown = QStringLiteral("原因不明のエラーでファイルの送信に失敗しました。");
const QString kRecvClosed = QStringLiteral("以下のいずれかの原因によりファイルの受信に失敗しました。\r\r"
                                           "\u3000・送信元でファイルの送信がキャンセルされた。\r"
                                           "\u3000・送信元がオフラインになった。\r"
                                           "\u3000・送信元で何らかのエラーが発生した。");
const QString kRecvFile = QStringLiteral("以下のいずれかの原因によりファイルの受信に失敗しました。\r\r"
                                         "\u3000・受信先のファイルが削除された。\r"
                                         "\u3000・受信先のファイルがロックされている。\r"
                                         "\u3000・何らかの原因で受信先のファイルのオープンに失敗した。");

} // namespace

QString FileSizeText(qint64 iBytes)
{
    QLocale locale;
    // The C locale leaves the groups out unless told otherwise.
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(iBytes) + QStringLiteral(" Byte");
}

QString FileSendFailedText()
{
    return kSendFailed;
}

QString FileSendErrorText(int iError)
{
    switch (iError) {
    case FileSendErrorNoAddress:
        return kSendFailed;
    case FileSendErrorClosed:
        return kSendClosed;
    case FileSendErrorCancelled:
        return QString();
    case FileSendErrorFile:
        return kSendFile;
    default:
        return kSendUnknown;
    }
}

QString FileRecvErrorText(int iError)
{
    switch (iError) {
    case FileRecvErrorClosed:
        return kRecvClosed;
    case FileRecvErrorFile:
        return kRecvFile;
    default:
        return QString();
    }
}

TFileSendRefusal FileSendRefusal(bool bLoggedIn, const QString& sFileName, const QString& sComment)
{
    if (!bLoggedIn)
        return {kOffline, TFileSendFocus::None};
    const QFileInfo file(sFileName);
    if (sFileName.isEmpty() || !file.exists())
        return {kNoFile, TFileSendFocus::File};
    // A folder, a device or a pipe has no size to announce, and reading a pipe could stall the program.
    if (!file.isFile())
        return {kNotRegular, TFileSendFocus::File};
    // The comment travels in a field of the offer, which these sequences would cut.
    if (const auto refusal = ForbiddenSequenceRefusal(sComment, QStringLiteral("コメント内")))
        return {*refusal, TFileSendFocus::Comment};
    return {};
}

QString FileSendAbsenceQuestion()
{
    return kAbsence;
}

QString FileRecvSafeName(const QString& sOffered)
{
    const qsizetype cut = std::max(sOffered.lastIndexOf(u'/'), sOffered.lastIndexOf(u'\\'));
    QString name = sOffered.mid(cut + 1);
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return name;
}

QString FileRecvProposedPath(int iCustomizeFileSave, const QString& sProgramDir, const QString& sLastPath,
                             const QString& sSetPath, const QString& sOffered)
{
    QString folder;
    switch (iCustomizeFileSave) {
    case FileSaveProgramFolder:
        folder = sProgramDir;
        break;
    case FileSaveLastFolder:
        folder = sLastPath;
        break;
    case FileSaveSetFolder:
        folder = sSetPath;
        break;
    default:
        break;
    }
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder + FileRecvSafeName(sOffered);
}

bool FileRecvFullPathOk(const QString& sPath)
{
    if (!QDir::isAbsolutePath(sPath) || sPath.endsWith(u'/'))
        return false;
    // cleanPath takes out ".", "..", "//" and a trailing "/": any of them makes it differ.
    return QDir::cleanPath(sPath) == sPath;
}

QString FileRecvFolder(const QString& sPath)
{
    return sPath.left(sPath.lastIndexOf(u'/') + 1);
}
