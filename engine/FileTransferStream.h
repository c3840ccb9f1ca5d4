#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The file-transfer stream, all text in the ANSI code page, CR LF after each line:
//   sender -> receiver  "PVNFILESTART:&|" handle "&|" machine "&|" identifier "&|" name "&|" size "&|"
//                       comment "&|\|"
//   receiver -> sender  "PVNFILESTART:OK" once the user accepted (a refusal just closes)
//   sender -> receiver  exactly size raw bytes
//   receiver -> sender  "PVNFILEEND:" after the last byte was written; then the sender closes.
// These are the pure parts: building and parsing the lines and judging offered names.
namespace FileTransferStream {

inline const QByteArray kOfferKeyword = QByteArrayLiteral("PVNFILESTART:");
inline const QByteArray kAcceptLine = QByteArrayLiteral("PVNFILESTART:OK");
inline const QByteArray kEndLine = QByteArrayLiteral("PVNFILEEND:");
inline const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// A real header is a few hundred bytes; anything longer is a peer trying to fill our memory.
constexpr qsizetype kMaxHeaderBytes = 8 * 1024;
// File systems here take names of at most this many bytes.
constexpr qsizetype kMaxNameBytes = 255;

struct FileOffer {
    QString sHandleName;
    QString sMachineName;
    QString sDiscrimination;
    QString sFileName;
    std::int64_t iFileSize = 0;
    QString sComment;
};

enum class HeaderState { Incomplete, Complete, Bad };

// The header line, ready for the socket (the line end included).
QByteArray BuildOfferHeader(const FileOffer& offer);

// Judges what has arrived so far; the header is complete with the line end after its
// end mark. Complete fills offer; Bad means refuse: longer than
// kMaxHeaderBytes without its end, a zero byte, another keyword, or a size that is not positive.
HeaderState ParseOfferHeader(const QByteArray& collected, FileOffer& offer);

// A positive decimal number of at most 63 bits, else 0.
std::int64_t ParsePositiveSize(const QString& sText);

// What is left of an offered name to be saved under: the part after the last "/" or "\".
// Empty when it must be refused: "", ".", "..", a control character, too long.
QString SafeOfferedName(const QString& sOffered);

struct Reply {
    bool bAccepted = false;
    bool bEnded = false;
    bool operator==(const Reply&) const = default;
};

// Adds what the receiver sent back and tells which lines it holds now. Keeps only
// a short tail of unmatched bytes so a chatty peer cannot grow it.
Reply ScanReply(QByteArray& pending, const QByteArray& arrived);

} // namespace FileTransferStream
