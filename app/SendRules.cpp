#include "SendRules.h"

#include "AnsiCodePage.h"
#include "MessageBox.h"
#include "ParvaneNetwork.h"
#include "SubUnit.h"

namespace {

const QString kOffline =
    QStringLiteral("オフライン状態でのメッセージ送信はできません。\rParvaneNetworkにログイン"
                   "してからメッセージを送信してください。");
const QString kEmpty = QStringLiteral("メッセージを入力してください。");
const QString kTooLong =
    QStringLiteral("一度に送信できるバイト数を超えています。送信可能なバイト数のみ送信しますか？");
const QString kOldPeer =
    QStringLiteral("送信先に封書送信に対応していないユーザが存在します。\r該当するユーザに"
                   "対しては通常のメッセージとして送信されます。\r\rメッセージを送信してもよ"
                   "ろしいですか？");
const QString kCrLf = QStringLiteral("\r\n");
const QString kQuotePrefix = QStringLiteral("> ");

bool Blank(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

QString EditTextToWire(const QString& sEdit)
{
    QString s = sEdit;
    s.replace(kCrLf, QStringLiteral("\n"));
    s.replace(u'\n', kCrLf);
    return s;
}

QString WireTextToEdit(const QString& sWire)
{
    QString s = sWire;
    s.replace(kCrLf, QStringLiteral("\n"));
    return s;
}

TByteCounter ByteCounterText(const QString& sWire)
{
    const qsizetype n = MaxMessageByte - AnsiCodePage::ByteLength(sWire);
    if (n >= 0)
        return {QStringLiteral("残り送信可能バイト数：%1 Byte").arg(n), false};
    return {QStringLiteral("送信可能バイト数が %1 Byte 超えています").arg(-n), true};
}

QString MessageByteCut(const QString& sWire, int iMaxByte)
{
    QStringView cut = AnsiCodePage::LeftBytes(sWire, iMaxByte);
    while (!cut.isEmpty() && Blank(cut.front()))
        cut = cut.mid(1);
    while (!cut.isEmpty() && Blank(cut.back()))
        cut.chop(1);
    return cut.toString();
}

QString QuoteText(const QString& sWire)
{
    QString s = sWire;
    s.replace(kCrLf, kCrLf + kQuotePrefix);
    return kQuotePrefix + s + kCrLf;
}

QString SendOpeningText(const QString& sMessage, bool bQuote)
{
    if (sMessage.isEmpty())
        return QString();
    return (bQuote ? QuoteText(sMessage) : sMessage).left(MaxMessageByte);
}

std::vector<TSendTarget> SendTargetsSplit(const QString& sMachines, const QString& sDiscriminations)
{
    const QStringList slMachines = sMachines.split(TParvaneNetwork::FieldSeparator);
    const QStringList slIds = sDiscriminations.split(TParvaneNetwork::FieldSeparator);
    std::vector<TSendTarget> targets;
    for (qsizetype i = 0; i < slMachines.size() && !slMachines[i].isEmpty(); ++i)
        targets.push_back({slMachines[i], slIds.value(i)});
    return targets;
}

TSendCheckResult SendCheck(bool bLoggedIn, const QString& sWire, bool bLetter,
                           const TTargetVersions& versions, const TAskBox& ask)
{
    TSendCheckResult result;
    result.sText = sWire;
    if (!bLoggedIn) {
        ask(kOffline, MessageBox::MB_ICONWARNING);
        result.Result = TSendCheck::Offline;
        return result;
    }
    if (sWire.isEmpty()) {
        result.bFocusEdit = true;
        ask(kEmpty, MessageBox::MB_ICONWARNING);
        result.Result = TSendCheck::Empty;
        return result;
    }
    if (AnsiCodePage::ByteLength(sWire) > MaxMessageByte) {
        if (ask(kTooLong, MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2) !=
            MessageBox::IDYES) {
            result.Result = TSendCheck::TooLongKept;
            return result;
        }
        result.sText = MessageByteCut(sWire);
        result.bCut = true;
    }
    if (const auto refusal = ForbiddenSequenceRefusal(result.sText, QStringLiteral("メッセージ内"))) {
        result.bFocusEdit = true;
        ask(*refusal, MessageBox::MB_ICONWARNING);
        result.Result = TSendCheck::Forbidden;
        return result;
    }
    if (bLetter) {
        for (int iVersion : versions) {
            if (iVersion < 0 || iVersion >= LetterVersion)
                continue;
            // Asked at the first such target only; Yes sends to all.
            if (ask(kOldPeer, MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION) != MessageBox::IDYES)
                result.Result = TSendCheck::OldPeerKept;
            break;
        }
    }
    return result;
}

QString SendFailedText(const QString& sMachine, const QString& sDiscrimination)
{
    return QStringLiteral("マシン名「") + sMachine + QStringLiteral("」、識別情報「") + sDiscrimination +
           QStringLiteral(
               "」に対してのメッセージ送信に失敗しました。\r既に相手先がオフラインになってしまっている可"
               "能性があります。\r\rこのメッセージが毎回表示されるようでしたらTCP/IPサービスが正常に開始"
               "されているかを確認してください。");
}
