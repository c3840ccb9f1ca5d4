#include "IniFile.h"

#include "AnsiCodePage.h"
#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView TrimBlanks(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

bool IsQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

// What one line of the file means to the reader.
struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QString name;
    QString value;
};

ParsedLine Parse(const QByteArray& raw)
{
    ParsedLine parsed;
    const QString line = AnsiCodePage::Decode(raw);
    const QStringView text = TrimBlanks(line);
    if (text.startsWith(u'[')) {
        qsizetype close = text.indexOf(u']');
        parsed.kind = ParsedLine::Section;
        parsed.name = TrimBlanks(close < 0 ? text.mid(1) : text.mid(1, close - 1)).toString();
        return parsed;
    }
    const qsizetype equal = text.indexOf(u'=');
    if (equal <= 0)
        return parsed;
    parsed.kind = ParsedLine::Key;
    parsed.name = TrimBlanks(text.left(equal)).toString();
    QStringView value = TrimBlanks(text.mid(equal + 1));
    // One pair of matching quotes around the value is not part of it.
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    parsed.value = value.toString();
    return parsed;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section lies: its header line and the line after its last line.
struct SectionRange {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionRange FindSection(const QList<QByteArray>& lines, const QString& sSection)
{
    SectionRange range;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = Parse(lines[i]);
        if (parsed.kind != ParsedLine::Section)
            continue;
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (SameName(parsed.name, sSection))
            range.header = i;
    }
    if (range.header >= 0)
        range.end = lines.size();
    return range;
}

qsizetype FindKey(const QList<QByteArray>& lines, const SectionRange& range, const QString& sIdent,
                  ParsedLine* pParsed = nullptr)
{
    if (range.header < 0)
        return -1;
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        ParsedLine parsed = Parse(lines[i]);
        if (parsed.kind == ParsedLine::Key && SameName(parsed.name, sIdent)) {
            if (pParsed)
                *pParsed = std::move(parsed);
            return i;
        }
    }
    return -1;
}

// The stored form of a value. A line break would split the line and plant keys of
// its own in the file, so it becomes a blank; blanks at either end and a value
// that is quoted already are quoted once more, since reading strips both.
QString StoredValue(const QString& sValue)
{
    QString value = sValue;
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    const bool blankAtEnd = !value.isEmpty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (blankAtEnd || quoted)
        return u'"' + value + u'"';
    return value;
}

} // namespace

IniFile::IniFile(QString sFileName) : FFileName(std::move(sFileName)) {}

QList<QByteArray> IniFile::Load(bool* pbExists) const
{
    QList<QByteArray> lines;
    QFile file(FFileName);
    const bool exists = file.open(QIODevice::ReadOnly);
    if (pbExists)
        *pbExists = exists;
    if (!exists)
        return lines;
    const QByteArray data = file.readAll();
    lines = data.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

bool IniFile::Save(const QList<QByteArray>& lines)
{
    QSaveFile file(FFileName);
    // A writable file in a folder the user may not create files in is still written,
    // in place, as the system's own profile functions would.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        FFailed = true;
        return false;
    }
    QByteArray data;
    for (const QByteArray& line : lines)
        data.append(line).append("\r\n");
    if (file.write(data) != data.size() || !file.commit()) {
        FFailed = true;
        return false;
    }
    return true;
}

bool IniFile::WritableOrFail()
{
    if (FFailed)
        return false;
    if (ReadOnlyFile(QFileInfo(FFileName))) {
        FFailed = true;
        return false;
    }
    return true;
}

QString IniFile::ReadString(const QString& sSection, const QString& sIdent, const QString& sDefault) const
{
    const QList<QByteArray> lines = Load(nullptr);
    ParsedLine parsed;
    if (FindKey(lines, FindSection(lines, sSection), sIdent, &parsed) < 0)
        return sDefault.left(MaxValueLength);
    return parsed.value.left(MaxValueLength);
}

int IniFile::ReadInteger(const QString& sSection, const QString& sIdent, int iDefault) const
{
    const QString text = ReadString(sSection, sIdent, QString());
    return StringToInteger(text).value_or(iDefault);
}

bool IniFile::ReadBool(const QString& sSection, const QString& sIdent, bool bDefault) const
{
    return ReadInteger(sSection, sIdent, bDefault ? 1 : 0) != 0;
}

bool IniFile::ValueExists(const QString& sSection, const QString& sIdent) const
{
    const QList<QByteArray> lines = Load(nullptr);
    return FindKey(lines, FindSection(lines, sSection), sIdent) >= 0;
}

bool IniFile::WriteString(const QString& sSection, const QString& sIdent, const QString& sValue)
{
    if (!WritableOrFail())
        return false;
    QList<QByteArray> lines = Load(nullptr);
    const SectionRange range = FindSection(lines, sSection);
    ParsedLine parsed;
    const qsizetype at = FindKey(lines, range, sIdent, &parsed);
    const QString value = StoredValue(sValue);
    if (at >= 0) {
        // The key keeps the spelling it has in the file.
        lines[at] = AnsiCodePage::Encode(QString(parsed.name + u'=' + value));
    } else if (range.header >= 0) {
        // A new key goes after the section's last line that is not blank.
        qsizetype insert = range.end;
        while (insert > range.header + 1 && AnsiCodePage::Decode(lines[insert - 1]).trimmed().isEmpty())
            --insert;
        lines.insert(insert, AnsiCodePage::Encode(QString(sIdent + u'=' + value)));
    } else {
        lines.append(AnsiCodePage::Encode(QString(u'[' + sSection + u']')));
        lines.append(AnsiCodePage::Encode(QString(sIdent + u'=' + value)));
    }
    return Save(lines);
}

bool IniFile::WriteInteger(const QString& sSection, const QString& sIdent, int iValue)
{
    return WriteString(sSection, sIdent, QString::number(iValue));
}

bool IniFile::WriteBool(const QString& sSection, const QString& sIdent, bool bValue)
{
    return WriteString(sSection, sIdent, bValue ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::DeleteKey(const QString& sSection, const QString& sIdent)
{
    if (!WritableOrFail())
        return false;
    bool exists = false;
    QList<QByteArray> lines = Load(&exists);
    if (!exists)
        return true;
    const qsizetype at = FindKey(lines, FindSection(lines, sSection), sIdent);
    if (at < 0)
        return true;
    lines.removeAt(at);
    return Save(lines);
}

std::optional<int> IniFile::StringToInteger(QStringView sText)
{
    qsizetype i = 0;
    while (i < sText.size() && IsBlank(sText[i]))
        ++i;
    bool negative = false;
    if (i < sText.size() && (sText[i] == u'-' || sText[i] == u'+')) {
        negative = sText[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < sText.size() && (sText[i] == u'$' || sText[i] == u'x' || sText[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < sText.size() && sText[i] == u'0' && (sText[i + 1] == u'x' || sText[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= sText.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < sText.size(); ++i) {
        const char16_t c = sText[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 16) {
        const auto bits = static_cast<std::uint32_t>(value);
        const auto result = static_cast<std::int32_t>(negative ? 0u - bits : bits);
        return result;
    }
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<int>::max();
    if (value > kMaxPositive + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(value)) : static_cast<int>(value);
}
