#include "DatagramFraming.h"

#include "ParvaneNetwork.h"

namespace DatagramFraming {

namespace {

const QByteArray kLineBreak = QByteArrayLiteral("\r\n");
const QByteArray kEscapedLineBreak = QByteArrayLiteral("\\|");

// The length header: blanks, then a decimal number, filling all five characters.
// Anything else, a negative length included, never completes a record.
bool ParseLengthHeader(const QByteArray& s, qint64& length)
{
    int i = 0;
    while (i < kLengthHeaderSize && s[i] == ' ')
        ++i;
    if (i == kLengthHeaderSize)
        return false;
    if (s[i] == '+')
        ++i;
    if (i == kLengthHeaderSize)
        return false;
    qint64 value = 0;
    for (; i < kLengthHeaderSize; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    length = value;
    return true;
}

} // namespace

QByteArray FrameRecord(const QByteArray& body, bool bScramble)
{
    QByteArray s = QByteArray::number(body.size()).rightJustified(kLengthHeaderSize, ' ') + body;
    s.replace(kLineBreak, kEscapedLineBreak);
    return bScramble ? QByteArray("1") + TParvaneNetwork::BytesToPassword(s) : QByteArray("0") + s;
}

std::vector<QByteArray> CutIntoDatagrams(const QByteArray& framed, int iMaxDatagram)
{
    const int piece = iMaxDatagram - kDatagramOverhead;
    if (piece < 1)
        return {};
    if ((framed.size() + piece - 1) / piece > kMaxFragments)
        return {};
    std::vector<QByteArray> datagrams;
    datagrams.reserve(static_cast<std::size_t>((framed.size() + piece - 1) / piece));
    int number = 1;
    for (qsizetype at = 0; at < framed.size(); at += piece, ++number) {
        const qsizetype n = std::min<qsizetype>(piece, framed.size() - at);
        QByteArray datagram;
        datagram.reserve(n + kDatagramOverhead);
        datagram.append(static_cast<char>(number));
        datagram.append(framed.constData() + at, n);
        datagram.append('\0');
        datagrams.push_back(datagram);
    }
    return datagrams;
}

std::optional<Fragment> ReadDatagram(const QByteArray& datagram)
{
    if (datagram.size() < 2)
        return std::nullopt;
    // Number 1 is the first place; a 0 lands past the last one any sender can fill.
    const int index = (static_cast<unsigned char>(datagram[0]) + 255) & 0xFF;
    QByteArray piece = datagram.mid(1);
    const qsizetype zero = piece.indexOf('\0');
    if (zero >= 0)
        piece.truncate(zero);
    if (piece.isEmpty())
        return std::nullopt;
    return Fragment{index, piece};
}

RecordState UnframeRecord(const QByteArray& joined, QByteArray& body)
{
    if (joined.isEmpty())
        return RecordState::Incomplete;
    QByteArray s = joined.mid(1);
    if (joined[0] == '1') {
        // The offset pair and a pair for each byte: an odd or short form still lacks a piece.
        if (s.size() <= 3 || s.size() % 2 != 0)
            return RecordState::Incomplete;
        s = TParvaneNetwork::PasswordToBytes(s);
        if (s.isEmpty())
            return RecordState::Bad;
    }
    s.replace(kEscapedLineBreak, kLineBreak);
    if (s.size() < kLengthHeaderSize)
        return RecordState::Incomplete;
    qint64 length = 0;
    if (!ParseLengthHeader(s, length))
        return RecordState::Bad;
    if (s.size() < length + kLengthHeaderSize)
        return RecordState::Incomplete;
    // Bytes past the length belong to some other record.
    if (s.size() > length + kLengthHeaderSize)
        return RecordState::Bad;
    body = s.mid(kLengthHeaderSize);
    return RecordState::Complete;
}

} // namespace DatagramFraming
