#include "FileTransferStream.h"

#include "AnsiCodePage.h"

#include <QFile>
#include <limits>

namespace FileTransferStream {
namespace {

const QString kSeparator = QStringLiteral("&|");
// Ends the header's fields; the line end follows it.
const QString kHeaderEnd = QStringLiteral("\\|");

} // namespace

QByteArray BuildOfferHeader(const FileOffer& offer)
{
    const QString text = QString::fromLatin1(kOfferKeyword) + kSeparator + offer.sHandleName + kSeparator +
                         offer.sMachineName + kSeparator + offer.sDiscrimination + kSeparator +
                         offer.sFileName + kSeparator + QString::number(offer.iFileSize) + kSeparator +
                         offer.sComment + kSeparator + kHeaderEnd;
    return AnsiCodePage::Encode(text) + kLineEnd;
}

HeaderState ParseOfferHeader(const QByteArray& collected, FileOffer& offer)
{
    // Decode before looking for the end mark: 0x5C is also the second byte of
    // many double-byte characters, so a byte search could end inside a name.
    const QByteArray window = collected.left(kMaxHeaderBytes);
    const QString text = AnsiCodePage::Decode(window);
    const qsizetype end = text.indexOf(kHeaderEnd);
    if (end < 0)
        return collected.size() >= kMaxHeaderBytes ? HeaderState::Bad : HeaderState::Incomplete;
    // The line end belongs to the header: taken without it, it would arrive as the
    // first bytes of the file when the header came in small reads.
    const QString after = text.mid(end + kHeaderEnd.size(), 2);
    if (QStringLiteral("\r\n").startsWith(after) && after.size() < 2)
        return collected.size() >= kMaxHeaderBytes ? HeaderState::Bad : HeaderState::Incomplete;
    const QString fields = text.left(end);
    if (fields.contains(QChar(0)))
        return HeaderState::Bad;
    const QStringList parts = fields.split(kSeparator);
    auto field = [&parts](int i) { return i < parts.size() ? parts[i] : QString(); };
    if (field(0) != QString::fromLatin1(kOfferKeyword))
        return HeaderState::Bad;
    const std::int64_t size = ParsePositiveSize(field(5));
    if (size <= 0)
        return HeaderState::Bad;
    offer.sHandleName = field(1);
    offer.sMachineName = field(2);
    offer.sDiscrimination = field(3);
    offer.sFileName = field(4);
    offer.iFileSize = size;
    offer.sComment = field(6);
    return HeaderState::Complete;
}

std::int64_t ParsePositiveSize(const QString& sText)
{
    if (sText.isEmpty())
        return 0;
    std::int64_t value = 0;
    for (QChar c : sText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        const int digit = c.unicode() - '0';
        if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

QString SafeOfferedName(const QString& sOffered)
{
    const qsizetype cut =
        std::max(sOffered.lastIndexOf(QLatin1Char('/')), sOffered.lastIndexOf(QLatin1Char('\\')));
    const QString name = sOffered.mid(cut + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    for (QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QString();
    }
    if (QFile::encodeName(name).size() > kMaxNameBytes)
        return QString();
    return name;
}

Reply ScanReply(QByteArray& pending, const QByteArray& arrived)
{
    pending.append(arrived);
    Reply reply;
    reply.bEnded = pending.contains(kEndLine + kLineEnd);
    reply.bAccepted = pending.contains(kAcceptLine + kLineEnd);
    if (reply.bEnded || reply.bAccepted) {
        pending.clear();
        return reply;
    }
    // A line split across reads can only be missing its last byte here.
    const qsizetype keep = kAcceptLine.size() + kLineEnd.size() - 1;
    if (pending.size() > keep)
        pending = pending.right(keep);
    return reply;
}

} // namespace FileTransferStream
