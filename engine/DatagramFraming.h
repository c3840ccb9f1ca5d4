#pragma once

// The framing of a record into datagrams and back, all bytes in the ANSI code page.
// From the outside in:
//   datagram: one byte fragment number (1 for the first), a piece of the framed
//             record, one zero byte.
//   framed:   "0" + escaped, or "1" + the scrambled hexadecimal form of escaped.
//   escaped:  "%5d" byte length of the body, then the body, with every CR LF
//             written as "\|" (same length, so the header stays right).
//   body:     the 22-character packet id, then the record text.
// These are the pure parts; the engine sends the datagrams and reassembles them per sender.
#include <QByteArray>
#include <optional>
#include <vector>

namespace DatagramFraming {

constexpr int kLengthHeaderSize = 5;
// The fragment number is one byte and 0 cannot be placed by a receiver.
constexpr int kMaxFragments = 255;
// Each datagram carries its number byte before its piece and a zero byte after it.
constexpr int kDatagramOverhead = 2;
// A received datagram longer than this is no peer's and is dropped whole.
constexpr int kRecvBufferSize = 512;

// The framed form of a body, scrambled or not.
QByteArray FrameRecord(const QByteArray& body, bool bScramble);

// The datagrams of a framed record, each at most iMaxDatagram bytes long. None when
// a datagram has no room for a piece or the record needs more than kMaxFragments:
// such a record is refused whole.
std::vector<QByteArray> CutIntoDatagrams(const QByteArray& framed, int iMaxDatagram);

// One received datagram: the place of its piece (0 for the first) and the piece,
// which ends at its first zero byte.
struct Fragment {
    int Index = 0;
    QByteArray Piece;
};

// The fragment a datagram carries; none when it carries no byte of a record.
std::optional<Fragment> ReadDatagram(const QByteArray& datagram);

enum class RecordState { Incomplete, Complete, Bad };

// Judges the pieces of one record joined in order. Complete: they come to exactly
// the length header, and body is every byte after it. Incomplete: a missing piece
// could still complete it. Bad: no further piece can (a length header that is not
// blanks and a decimal number, a scrambled form that is not hexadecimal, bytes past
// the length).
RecordState UnframeRecord(const QByteArray& joined, QByteArray& body);

} // namespace DatagramFraming
