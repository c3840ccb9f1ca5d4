// The log reader over any bytes a log file can hold: it must never crash, never
// read past its input, and agree with the writer, so that a record put at the
// top of any file reads back whole while the rest reads as it did before.
#include "LogReadFuzzer.h"

#include "AnsiCodePage.h"
#include "FuzzSupport.h"
#include "LogFile.h"
#include "SystemClock.h"
#include "TimeText.h"

#include <QRegularExpression>

namespace {

using namespace LogReadFuzz;

bool SameRecord(const TLogRecord& a, const TLogRecord& b)
{
    return a.sKind == b.sKind && a.sDate == b.sDate && a.sFrom == b.sFrom && a.sTo == b.sTo &&
           a.sText == b.sText;
}

QString RoundTrip(const QString& text)
{
    return AnsiCodePage::Decode(AnsiCodePage::Encode(text));
}

QString OneLine(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

// The text as the reader gives it back: line breaks as CR LF, the empty lines
// before the first line that has something dropped.
QString TextAsRead(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    while (text.startsWith(u'\n'))
        text.remove(0, 1);
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

void CheckTable(const QList<TLogRecord>& records, qsizetype lines)
{
    // A record takes at least one line, and a file without lines has no record.
    Fuzz::Check(records.size() <= lines, "more records than lines");
    const QString html = LogTableHtml(records);
    Fuzz::Check(html.count(QStringLiteral("<tr")) == records.size() + 1,
                "a row per record and the header row");
    Fuzz::Check(html.endsWith(QStringLiteral("</table>")), "the table is closed");
    // Whatever the file holds, only the table's own markup reaches the view.
    static const QRegularExpression tag(QStringLiteral("<(?!/?(table|tr|td|br)[ >])"));
    Fuzz::Check(!html.contains(tag), "markup from the file reached the table");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::Reader in(data, size);
    const int kind = in.Byte();
    QString fields[3];
    for (QString& field : fields)
        field = AnsiCodePage::Decode(in.Bytes(static_cast<std::size_t>(in.Word() % (kMaxField + 1))));
    const QByteArray file = in.Bytes(size);

    const QList<TLogRecord> before = LogRecordsRead(file);
    CheckTable(before, file.count('\n') + 1);

    const QByteArray normalised = LogLinesNormalised(file);
    Fuzz::Check(LogLinesNormalised(normalised) == normalised, "normalising twice changes the file");
    Fuzz::Check(normalised.isEmpty() || normalised.endsWith("\r\n"), "the last line has no line end");

    const QDateTime now = SystemClock::Now();
    const QByteArray record = LogRecordBytes(kind, fields[0], fields[1], fields[2], now);
    const QList<TLogRecord> after = LogRecordsRead(record + normalised);
    // A line of the text that is the closing line ends the record early; the
    // file format has no way around that, so the agreement is not checked then.
    const bool framed =
        !TextAsRead(RoundTrip(fields[2])).split(QStringLiteral("\r\n")).contains(QString(80, u'-'));
    if (!framed)
        return 0;
    Fuzz::Check(!after.isEmpty(), "the new record is missing");
    const QString header = LogKindHeader(kind);
    const TLogRecord expected{header.mid(1, header.size() - 2), TimeText::LogTimeText(now),
                              RoundTrip(OneLine(fields[0])), RoundTrip(OneLine(fields[1])),
                              TextAsRead(RoundTrip(fields[2]))};
    Fuzz::Check(SameRecord(after.front(), expected), "the new record reads back otherwise");
    const QList<TLogRecord> rest = LogRecordsRead(normalised);
    Fuzz::Check(after.size() == rest.size() + 1, "the records below the new one changed in number");
    for (qsizetype i = 0; i < rest.size(); ++i)
        Fuzz::Check(SameRecord(after[i + 1], rest[i]), "a record below the new one changed");
    return 0;
}
