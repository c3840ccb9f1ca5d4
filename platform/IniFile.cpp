#include "IniFile.h"

#include "AnsiCodePage.h"
#include "FileAccess.h"
#include "FileSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

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
    bool blank = false;
};

ParsedLine Parse(const QByteArray& raw)
{
    ParsedLine parsed;
    const QString line = AnsiCodePage::Decode(raw);
    parsed.blank = line.trimmed().isEmpty();
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

// The file's lines as they stand, without their line ends, each beside what it
// means; a line is parsed once when it comes in, so a pass of many writes does
// not decode the file again for each key.
class IniLines {
public:
    IniLines() = default;
    explicit IniLines(const QByteArray& data)
    {
        FRaw = data.split('\n');
        if (!FRaw.isEmpty() && FRaw.back().isEmpty())
            FRaw.removeLast();
        FParsed.reserve(FRaw.size());
        for (QByteArray& line : FRaw) {
            if (line.endsWith('\r'))
                line.chop(1);
            FParsed.append(Parse(line));
        }
    }

    QByteArray Bytes() const
    {
        QByteArray data;
        for (const QByteArray& line : FRaw)
            data.append(line).append("\r\n");
        return data;
    }

    SectionRange FindSection(const QString& sSection) const
    {
        SectionRange range;
        for (qsizetype i = 0; i < FParsed.size(); ++i) {
            if (FParsed[i].kind != ParsedLine::Section)
                continue;
            if (range.header >= 0) {
                range.end = i;
                return range;
            }
            if (SameName(FParsed[i].name, sSection))
                range.header = i;
        }
        if (range.header >= 0)
            range.end = FParsed.size();
        return range;
    }

    qsizetype FindKey(const SectionRange& range, const QString& sIdent) const
    {
        if (range.header < 0)
            return -1;
        for (qsizetype i = range.header + 1; i < range.end; ++i) {
            if (FParsed[i].kind == ParsedLine::Key && SameName(FParsed[i].name, sIdent))
                return i;
        }
        return -1;
    }

    const ParsedLine& At(qsizetype i) const { return FParsed[i]; }
    qsizetype Size() const { return FRaw.size(); }

    void Replace(qsizetype i, const QByteArray& raw)
    {
        FRaw[i] = raw;
        FParsed[i] = Parse(raw);
    }
    void Insert(qsizetype i, const QByteArray& raw)
    {
        FRaw.insert(i, raw);
        FParsed.insert(i, Parse(raw));
    }
    void Remove(qsizetype i)
    {
        FRaw.removeAt(i);
        FParsed.removeAt(i);
    }

private:
    QList<QByteArray> FRaw;
    QList<ParsedLine> FParsed;
};

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

// Where the pass of a file is found: the file's name made absolute and clean, so
// two spellings of one path meet.
QString PassKey(const QString& sFileName)
{
    return QDir::cleanPath(QFileInfo(sFileName).absoluteFilePath());
}

// The passes open in this thread, the outermost first. Each thread has its own:
// a pass is a scope of the code that opened it.
thread_local std::vector<IniFileWritingPass*> OpenPasses;

IniFile::ContentReader& CurrentReader()
{
    static IniFile::ContentReader reader;
    return reader;
}

} // namespace

// The file as a write or a pass works on it: read at the first need, changed in
// memory, saved by whoever owns it.
class IniFileImage {
public:
    explicit IniFileImage(QString sFileName) : FFileName(std::move(sFileName)) {}

    const IniLines& Lines()
    {
        Load();
        return FLines;
    }
    // True when the file was read whole, or is not there.
    bool ReadWhole()
    {
        Load();
        return FRead != IniFile::Content::Unreadable;
    }
    // True when writes may change the copy. Asked once: the answer holds for the pass.
    bool Writable()
    {
        if (!FWritable)
            FWritable = ReadWhole() && !ReadOnlyFile(QFileInfo(FFileName));
        return *FWritable;
    }
    IniLines& LinesToChange()
    {
        FChanged = true;
        return FLines;
    }
    bool Changed() const { return FChanged; }

    bool Save() const { return FileSaveAtomic(FFileName, FLines.Bytes()); }

    // A write of the pass failed and its caller was told.
    bool FRefused = false;

private:
    void Load()
    {
        if (FLoaded)
            return;
        FLoaded = true;
        const IniFile::ContentReader& reader = CurrentReader();
        const IniFile::Content content = reader ? reader(FFileName) : IniFile::ReadContent(FFileName);
        FRead = content.result;
        if (FRead == IniFile::Content::Whole)
            FLines = IniLines(content.bytes);
    }

    QString FFileName;
    bool FLoaded = false;
    IniFile::Content::Result FRead = IniFile::Content::Missing;
    std::optional<bool> FWritable;
    bool FChanged = false;
    IniLines FLines;
};

IniFile::IniFile(QString sFileName) : FFileName(std::move(sFileName)) {}

IniFile::Content IniFile::ReadContent(const QString& sFileName)
{
    Content content;
    // Not blocking: a pipe or a device in the file's place must not stop the program.
    const int fd = ::open(QFile::encodeName(sFileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        content.result = errno == ENOENT ? Content::Missing : Content::Unreadable;
        return content;
    }
    content.result = Content::Unreadable;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        QByteArray bytes;
        bytes.reserve(static_cast<qsizetype>(status.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            if (got == 0) {
                content.result = Content::Whole;
                content.bytes = std::move(bytes);
                break;
            }
            bytes.append(buffer, got);
        }
    }
    ::close(fd);
    return content;
}

IniFile::ContentReader IniFile::SetContentReader(ContentReader reader)
{
    return std::exchange(CurrentReader(), std::move(reader));
}

IniFileImage& IniFile::Image(std::unique_ptr<IniFileImage>* pOwn) const
{
    if (IniFileWritingPass* pass = IniFileWritingPass::Open(FFileName))
        return *pass->FImage;
    *pOwn = std::make_unique<IniFileImage>(FFileName);
    return **pOwn;
}

bool IniFile::Write(const std::function<void(IniFileImage&)>& change)
{
    if (FFailed)
        return false;
    std::unique_ptr<IniFileImage> own;
    IniFileImage& image = Image(&own);
    bool written = image.Writable();
    if (written) {
        change(image);
        // Outside a pass each write is saved at once.
        if (own && image.Changed())
            written = image.Save();
    }
    if (!written) {
        FFailed = true;
        image.FRefused = true;
    }
    return written;
}

QString IniFile::ReadString(const QString& sSection, const QString& sIdent, const QString& sDefault) const
{
    std::unique_ptr<IniFileImage> own;
    const IniLines& lines = Image(&own).Lines();
    const qsizetype at = lines.FindKey(lines.FindSection(sSection), sIdent);
    if (at < 0)
        return sDefault.left(MaxValueLength);
    return lines.At(at).value.left(MaxValueLength);
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
    std::unique_ptr<IniFileImage> own;
    const IniLines& lines = Image(&own).Lines();
    return lines.FindKey(lines.FindSection(sSection), sIdent) >= 0;
}

bool IniFile::WriteString(const QString& sSection, const QString& sIdent, const QString& sValue)
{
    return Write([&](IniFileImage& image) {
        IniLines& lines = image.LinesToChange();
        const SectionRange range = lines.FindSection(sSection);
        const qsizetype at = lines.FindKey(range, sIdent);
        const QString value = StoredValue(sValue);
        if (at >= 0) {
            // The key keeps the spelling it has in the file.
            lines.Replace(at, AnsiCodePage::Encode(QString(lines.At(at).name + u'=' + value)));
        } else if (range.header >= 0) {
            // A new key goes after the section's last line that is not blank.
            qsizetype insert = range.end;
            while (insert > range.header + 1 && lines.At(insert - 1).blank)
                --insert;
            lines.Insert(insert, AnsiCodePage::Encode(QString(sIdent + u'=' + value)));
        } else {
            lines.Insert(lines.Size(), AnsiCodePage::Encode(QString(u'[' + sSection + u']')));
            lines.Insert(lines.Size(), AnsiCodePage::Encode(QString(sIdent + u'=' + value)));
        }
    });
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
    return Write([&](IniFileImage& image) {
        // Deleting from a file that is not there creates nothing.
        const IniLines& lines = image.Lines();
        const qsizetype at = lines.FindKey(lines.FindSection(sSection), sIdent);
        if (at >= 0)
            image.LinesToChange().Remove(at);
    });
}

IniFileWritingPass::IniFileWritingPass(const QString& sFileName, std::function<void()> reportFailure)
    : FKey(PassKey(sFileName)), FReportFailure(std::move(reportFailure))
{
    if (Open(sFileName) != nullptr) {
        FJoined = true;
        return;
    }
    FImage = std::make_unique<IniFileImage>(sFileName);
    OpenPasses.push_back(this);
}

IniFileWritingPass::~IniFileWritingPass()
{
    Commit();
}

bool IniFileWritingPass::Commit()
{
    if (FEnded || FJoined) {
        FEnded = true;
        return FResult;
    }
    FEnded = true;
    std::erase(OpenPasses, this);
    const bool saved = !FImage->Changed() || FImage->Save();
    if (!saved && !FImage->FRefused && FReportFailure)
        FReportFailure();
    FResult = saved && !FImage->FRefused;
    return FResult;
}

IniFileWritingPass* IniFileWritingPass::Open(const QString& sFileName)
{
    if (OpenPasses.empty())
        return nullptr;
    const QString key = PassKey(sFileName);
    for (IniFileWritingPass* pass : OpenPasses) {
        if (pass->FKey == key)
            return pass;
    }
    return nullptr;
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
