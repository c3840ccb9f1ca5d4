#include "LogFile.h"

#include "AnsiCodePage.h"
#include "FileAccess.h"
#include "FileSave.h"
#include "TimeText.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QByteArray kRecordEnd(80, '-');
const QString kDateLabel = QStringLiteral("≪日時≫ ");
const QString kFromLabel = QStringLiteral("≪送信者≫ ");
const QString kToLabel = QStringLiteral("≪受信者≫ ");
// The brackets of a kind header and the labels are cut by their length in the file's code page.
qsizetype BracketBytes()
{
    static const qsizetype bytes = AnsiCodePage::ByteLength(u"【");
    return bytes;
}
qsizetype DateLabelBytes()
{
    static const qsizetype bytes = AnsiCodePage::ByteLength(kDateLabel);
    return bytes;
}
qsizetype NameLabelBytes()
{
    static const qsizetype bytes = AnsiCodePage::ByteLength(kFromLabel);
    return bytes;
}

const QString kChatSendWord = QStringLiteral("チャット送信");
const QString kChatRecvWord = QStringLiteral("チャット受信");

// Another copy of the program writing the same log holds the lock only while it
// rewrites the file; one that has stopped must not stop this one for good, so
// past the wait the record is given up as lost.
constexpr int kLockWaitMs = 5000;
constexpr int kLockPollMs = 10;

// The spacer between two cells.
const QString kSpacer = QStringLiteral("<td style=\"width:5px;\"></td>");

QString LineBreaksAsCrLf(QString sText)
{
    sText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    sText.replace(u'\r', u'\n');
    sText.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return sText;
}

// A name holds no line break in the file: one would shift every later line of the record.
QString OneLine(QString sText)
{
    sText.replace(u'\r', u' ');
    sText.replace(u'\n', u' ');
    return sText;
}

// An exclusive lock on the folder of the log, held for one read-and-rewrite. The
// folder, not the file, because the atomic save puts a new file in the old one's place.
class FolderLock {
public:
    explicit FolderLock(const QString& sFolder)
    {
        FFd = ::open(QFile::encodeName(sFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (FFd < 0)
            return;
        QElapsedTimer waited;
        waited.start();
        while (::flock(FFd, LOCK_EX | LOCK_NB) != 0) {
            if (waited.elapsed() >= kLockWaitMs)
                return;
            QThread::msleep(kLockPollMs);
        }
        FHeld = true;
    }
    bool Held() const { return FHeld; }
    ~FolderLock()
    {
        // Closing the descriptor releases the lock.
        if (FFd >= 0)
            ::close(FFd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int FFd = -1;
    bool FHeld = false;
};

// Ends every line with CR LF, whichever end it had, a block of the file at a
// time: a CR last in one block may be the first half of a CR LF that the next
// block finishes. Code page 932 never has a CR or LF as the second byte of a
// character, so a line end is a line end wherever the blocks are cut.
class LineEndsAsCrLf {
public:
    void Add(QByteArrayView bytes, QByteArray& out)
    {
        const char* at = bytes.data();
        const char* const end = at + bytes.size();
        // The LF of a CR LF that the last block cut: its CR LF is written already.
        if (FAfterCr && at < end && *at == '\n')
            ++at;
        FAfterCr = false;
        // The next CR and the next LF, each looked for again only once passed:
        // memchr runs through a long line fast, and a file of one kind of end
        // is not searched to its end for the other at every line.
        const auto next = [end](const char* from, char c) {
            const void* found = std::memchr(from, c, end - from);
            return found ? static_cast<const char*>(found) : end;
        };
        const char* cr = next(at, '\r');
        const char* lf = next(at, '\n');
        // Lines that end with CR LF already go out together, as they are.
        const char* kept = at;
        while (at < end) {
            if (cr < at)
                cr = next(at, '\r');
            if (lf < at)
                lf = next(at, '\n');
            const char* const stop = std::min(cr, lf);
            if (stop == end) {
                FLineOpen = true;
                break;
            }
            FLineOpen = false;
            if (*stop == '\r' && stop + 1 < end && stop[1] == '\n') {
                at = stop + 2;
                continue;
            }
            out.append(kept, stop - kept).append(kLineEnd);
            at = stop + 1;
            kept = at;
            FAfterCr = *stop == '\r' && at == end;
        }
        out.append(kept, end - kept);
    }
    // The last line, when the file did not end it.
    void Finish(QByteArray& out)
    {
        if (FLineOpen)
            out.append(kLineEnd);
        FLineOpen = false;
        FAfterCr = false;
    }

private:
    bool FAfterCr = false;
    bool FLineOpen = false;
};

// Reads lines that end at LF, without a CR just before the LF; past the end every line is empty.
class LineReader {
public:
    explicit LineReader(const QByteArray& bytes) : FBytes(bytes) {}
    bool AtEnd() const { return FAt >= FBytes.size(); }
    QByteArrayView Next()
    {
        if (AtEnd())
            return {};
        const qsizetype lf = FBytes.indexOf('\n', FAt);
        const qsizetype end = lf < 0 ? FBytes.size() : lf;
        QByteArrayView line(FBytes.constData() + FAt, end - FAt);
        FAt = lf < 0 ? FBytes.size() : lf + 1;
        if (lf >= 0 && line.endsWith('\r'))
            line.chop(1);
        return line;
    }

private:
    const QByteArray& FBytes;
    qsizetype FAt = 0;
};

QString Cut(QByteArrayView line, qsizetype iFront, qsizetype iBack)
{
    if (line.size() <= iFront + iBack)
        return QString();
    return AnsiCodePage::Decode(line.sliced(iFront, line.size() - iFront - iBack));
}

// A width in pixels, or 0 for the column that takes the rest.
QString CellWidth(int iWidthPx)
{
    return iWidthPx > 0 ? QStringLiteral("%1px").arg(iWidthPx) : QStringLiteral("100%");
}

QString HeaderCell(int iWidthPx, const char* sColor, const QString& sCaption)
{
    return QStringLiteral("<td nowrap style=\"width:%1; color:%2; font-weight:bold; font-size:12px; "
                          "border-bottom:3px double %2;\">%3</td>")
        .arg(CellWidth(iWidthPx), QLatin1String(sColor), sCaption);
}

QString RowCell(int iWidthPx, const char* sColor, const QString& sHtml)
{
    return QStringLiteral("<td valign=\"top\" style=\"width:%1; color:%2; font-size:12px;\">")
               .arg(CellWidth(iWidthPx), QLatin1String(sColor)) +
           sHtml + QStringLiteral("</td>");
}

} // namespace

QString LogChatUnescaped(QString sText)
{
    sText.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    sText.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    sText.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return sText;
}

QString LogKindHeader(int iKind)
{
    switch (iKind) {
    case LogKindMessageSend:
        return QStringLiteral("【メッセージ送信】");
    case LogKindMessageRecv:
        return QStringLiteral("【メッセージ受信】");
    case LogKindChatSend:
        return QStringLiteral("【チャット送信】");
    default:
        return QStringLiteral("【チャット受信】");
    }
}

QByteArray LogRecordBytes(int iKind, const QString& sFrom, const QString& sTo, const QString& sText,
                          const QDateTime& when)
{
    QByteArray out;
    out += AnsiCodePage::Encode(LogKindHeader(iKind)) + kLineEnd + kLineEnd;
    out += AnsiCodePage::Encode(kDateLabel + TimeText::LogTimeText(when)) + kLineEnd;
    out += AnsiCodePage::Encode(kFromLabel + OneLine(sFrom)) + kLineEnd;
    out += AnsiCodePage::Encode(kToLabel + OneLine(sTo)) + kLineEnd;
    out += kLineEnd + AnsiCodePage::Encode(LineBreaksAsCrLf(sText)) + kLineEnd;
    out += kRecordEnd + kLineEnd;
    return out;
}

QByteArray LogLinesNormalised(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 2);
    LineEndsAsCrLf ends;
    ends.Add(bytes, out);
    ends.Finish(out);
    return out;
}

bool LogFilePrepend(const QString& sFileName, const QByteArray& record)
{
    const FolderLock lock(QFileInfo(sFileName).absolutePath());
    if (!lock.Held())
        return false;
    // Looked at under the lock: another copy may have just replaced the file.
    const QFileInfo info(sFileName);
    if (ReadOnlyFile(info))
        return false;
    QFile old(sFileName);
    if (info.exists() && !old.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    // The old log goes across a block at a time: memory stays the same however long it grows.
    return FileSaveAtomic(sFileName, [&record, &old](const TFileSaveSink& write) {
        if (!write(record))
            return false;
        if (!old.isOpen())
            return true;
        QByteArray block(LogCopyBlockBytes, Qt::Uninitialized);
        QByteArray lines;
        lines.reserve(2 * LogCopyBlockBytes + kLineEnd.size());
        LineEndsAsCrLf ends;
        for (;;) {
            const qint64 got = old.read(block.data(), block.size());
            if (got < 0)
                return false;
            lines.resize(0);
            if (got == 0) {
                ends.Finish(lines);
                return write(lines);
            }
            ends.Add(QByteArrayView(block.constData(), got), lines);
            if (!write(lines))
                return false;
        }
    });
}

bool LogFileDelete(const QString& sFileName)
{
    const FolderLock lock(QFileInfo(sFileName).absolutePath());
    if (!lock.Held())
        return false;
    // A read-only log is kept, as it would be elsewhere, although root could remove it here.
    const QFileInfo info(sFileName);
    return info.isFile() && !ReadOnlyFile(info) && QFile::remove(sFileName);
}

QList<TLogRecord> LogRecordsRead(const QByteArray& bytes)
{
    QList<TLogRecord> records;
    LineReader reader(bytes);
    while (!reader.AtEnd()) {
        TLogRecord record;
        record.sKind = Cut(reader.Next(), BracketBytes(), BracketBytes());
        reader.Next();
        record.sDate = Cut(reader.Next(), DateLabelBytes(), 0);
        record.sFrom = Cut(reader.Next(), NameLabelBytes(), 0);
        record.sTo = Cut(reader.Next(), NameLabelBytes(), 0);
        reader.Next();
        QByteArray text;
        for (;;) {
            const QByteArrayView line = reader.Next();
            // The closing line is looked for first, so a file that ends with it loses nothing.
            if (line == kRecordEnd || reader.AtEnd())
                break;
            if (!text.isEmpty())
                text += kLineEnd;
            text += line;
        }
        record.sText = AnsiCodePage::Decode(text);
        records.append(record);
    }
    return records;
}

QString LogTableHtml(const QList<TLogRecord>& records)
{
    QString html = QStringLiteral("<table border=\"0\" cellpadding=\"2\" cellspacing=\"0\" "
                                  "style=\"width:100%; word-break:break-all;\"><tr>");
    html += HeaderCell(80, "#884444", QStringLiteral("種別")) + kSpacer;
    html += HeaderCell(185, "#444488", QStringLiteral("日付")) + kSpacer;
    html += HeaderCell(100, "#448844", QStringLiteral("送信者")) + kSpacer;
    html += HeaderCell(100, "#448844", QStringLiteral("受信者")) + kSpacer;
    html += HeaderCell(0, "#884488", QStringLiteral("メッセージ")) + QStringLiteral("</tr>");
    bool tinted = true;
    for (const TLogRecord& record : records) {
        const bool chat = record.sKind == kChatSendWord || record.sKind == kChatRecvWord;
        const auto shown = [chat](const QString& sField) {
            return (chat ? LogChatUnescaped(sField) : sField).toHtmlEscaped();
        };
        html += tinted ? QStringLiteral("<tr style=\"background-color:#eeeeff;\">") : QStringLiteral("<tr>");
        html += RowCell(80, "#995555", shown(record.sKind)) + kSpacer;
        html += RowCell(185, "#555599", shown(record.sDate)) + kSpacer;
        html += RowCell(100, "#559955", shown(record.sFrom)) + kSpacer;
        html += RowCell(100, "#559955", shown(record.sTo)) + kSpacer;
        html += RowCell(0, "#995599",
                        shown(record.sText).replace(QStringLiteral("\r\n"), QStringLiteral("<br>")));
        html += QStringLiteral("</tr>");
        tinted = !tinted;
    }
    return html + QStringLiteral("</table>");
}

QString LogCountText(int iCount, const QDateTime& now)
{
    const QString time = TimeText::ReceiveTimeText(now) + QStringLiteral(" 現在）");
    if (iCount <= 0)
        return QStringLiteral("ログはありません（") + time;
    return QString::number(iCount) + QStringLiteral(" 件のログ（") + time;
}

QString LogDeletedText(const QDateTime& now)
{
    return QStringLiteral("ログはありません（") + TimeText::ReceiveTimeText(now) + QStringLiteral("現在）");
}
