#pragma once

// The log file: one record for every message sent or received and every chat
// line, the newest first, in the ANSI code page with CR LF line ends, so that a
// log carried over from a Windows copy reads unchanged. A record is these lines:
//
//   【メッセージ受信】          the kind header
//                               (empty)
//   ≪日時≫ 2011年08月29日 07時05分09秒
//   ≪送信者≫ sender
//   ≪受信者≫ recipient
//                               (empty)
//   the text, a line for each of its lines (an empty text: one empty line)
//   --------------------------------------------------------------------------------
//
// Nothing but the closing line of 80 "-" marks where a record ends: the reader
// takes every record by the position of its lines and never rejects one.
// This file knows nothing of windows, so the fuzz build takes it alone.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

enum TLogKind : int {
    LogKindMessageSend = 0,
    LogKindMessageRecv = 1,
    LogKindChatSend = 2,
    LogKindChatRecv = 3
};

// A chat record's field as the line was typed: the chat stores "&", "<" and ">"
// escaped, and these come back ("&amp;" last, so "&amp;lt;" stays "&lt;").
QString LogChatUnescaped(QString sText);

// "【メッセージ送信】" and so on; every kind above 3 is written as a received chat line.
QString LogKindHeader(int iKind);

// The bytes of one record as LogWrite puts it at the top of the file. The text's
// own line breaks, whichever kind, are written as CR LF.
QByteArray LogRecordBytes(int iKind, const QString& sFrom, const QString& sTo, const QString& sText,
                          const QDateTime& when);

// The file's lines, split at CR LF, LF and a lone CR, each ended with CR LF again;
// the bytes in between are kept as they are, whatever code page wrote them.
QByteArray LogLinesNormalised(const QByteArray& bytes);

// The old log goes to the new file through a buffer of this many bytes, so a
// rewrite costs the same memory however long the log has grown.
inline constexpr qsizetype LogCopyBlockBytes = 64 * 1024;

// Puts the record at the top of the file, creating it when it is missing. The
// whole file is rewritten atomically, under a lock that other copies of the
// program sharing the folder honour too, so two writers cannot drop each
// other's records. False, with the file unchanged, when it could not be read
// or written (a read-only file counts, even for root) or when another copy kept
// the lock past the wait: a record is never reported written unless it is there.
bool LogFilePrepend(const QString& sFileName, const QByteArray& record);
// Removes the whole log under the same lock, so that another copy's rewrite
// under way cannot bring it back. False when it is missing, read-only or cannot
// be removed, or when the lock did not come in time.
bool LogFileDelete(const QString& sFileName);

// One record as the viewer shows it: the kind word without its brackets, the
// fields without their labels, and the text's lines joined by CR LF.
struct TLogRecord {
    QString sKind;
    QString sDate;
    QString sFrom;
    QString sTo;
    QString sText;
};

// Reads every record of the file's bytes. Lines end at LF (a CR before it is not
// part of the line); the brackets and labels are cut by their length in bytes.
// A record ends at a line of exactly 80 "-" or at the end of the file, whose
// last line then belongs to no record. Empty lines before a record's text are dropped.
QList<TLogRecord> LogRecordsRead(const QByteArray& bytes);

// The table of the viewer: its header row and a row for each record, the newest
// first and tinted, then every other row. Every field is shown as typed: chat
// records, which are stored with "&", "<" and ">" escaped, are unescaped first,
// and no field can bring markup into the view.
QString LogTableHtml(const QList<TLogRecord>& records);

// The status texts: "12 件のログ（…現在）", "ログはありません（…現在）".
QString LogCountText(int iCount, const QDateTime& now);
// After the whole log was deleted (this one has no blank before 現在).
QString LogDeletedText(const QDateTime& now);
