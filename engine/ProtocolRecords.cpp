#include "ProtocolRecords.h"

#include "ParvaneNetwork.h"

#include <limits>

namespace ProtocolRecords {

QString Flag(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

QString Join(std::initializer_list<QString> fields)
{
    return QStringList(fields).join(TParvaneNetwork::FieldSeparator);
}

QString RecordFields::operator()(int n) const
{
    return TParvaneNetwork::StringSplit(FRecord, static_cast<std::uint8_t>(n));
}

std::optional<int> StrictInteger(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > qint64(1) << 31)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(value);
}

int LooseInteger(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

QStringList TextLines(const QString& text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(line);
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

} // namespace ProtocolRecords
