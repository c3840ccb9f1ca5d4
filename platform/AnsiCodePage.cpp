#include "AnsiCodePage.h"

#include "AnsiCodePageTable.h"

#include <cstring>

namespace AnsiCodePage {
namespace {

using namespace AnsiCodePageTable;

// The table's entry for the code point at text[i] and how many code units it
// takes. Code page 932 has nothing above the BMP, nor for a lone surrogate.
struct TPoint {
    std::uint16_t bytes;
    qsizetype width;
};

TPoint PointAt(const char16_t* text, qsizetype size, qsizetype i)
{
    const char16_t unit = text[i];
    if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text[i + 1]))
        return {kNone, 2};
    return {kEncode[unit], 1};
}

// How many bytes the point takes: a missing character is its one "?".
qsizetype PointBytes(const TPoint& point)
{
    return point.bytes == kNone || point.bytes < 0x100 ? 1 : 2;
}

// Runs of ASCII, where every character is its own byte (the generator makes
// sure of that), are counted four code units at a time. (Converting them so
// measured slower on mixed text than the table alone.)
constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80u;

bool FourAscii(const char16_t* from, std::uint64_t& units)
{
    std::memcpy(&units, from, sizeof units);
    return (units & kNonAsciiUnits) == 0;
}

} // namespace

QByteArray Encode(QStringView text)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* to = out.data();
    const char16_t* from = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const TPoint point = PointAt(from, size, i);
        i += point.width;
        if (point.bytes < 0x100) {
            *to++ = static_cast<char>(point.bytes);
        } else if (point.bytes == kNone) {
            *to++ = '?';
        } else {
            *to++ = static_cast<char>(point.bytes >> 8);
            *to++ = static_cast<char>(point.bytes & 0xFF);
        }
    }
    out.truncate(to - out.constData());
    return out;
}

QString Decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const std::uint8_t lead = kLeadIndex[from[i]];
        if (lead == 0) {
            *to++ = QChar(kDecodeSingle[from[i]]);
            continue;
        }
        if (i + 1 == size)
            break;
        const char16_t pair = kDecodePair[lead - 1][from[i + 1]];
        if (pair == kLeadReplaced) {
            *to++ = QChar(kLeadReplacement);
        } else if (pair != kNone) {
            *to++ = QChar(pair);
            ++i;
        }
    }
    out.truncate(to - out.constData());
    return out;
}

qsizetype ByteLength(QStringView text)
{
    const char16_t* from = text.utf16();
    const qsizetype size = text.size();
    qsizetype length = 0;
    for (qsizetype i = 0; i < size;) {
        std::uint64_t units;
        if (i + 4 <= size && FourAscii(from + i, units)) {
            length += 4;
            i += 4;
            continue;
        }
        const TPoint point = PointAt(from, size, i);
        i += point.width;
        length += PointBytes(point);
    }
    return length;
}

QStringView LeftBytes(QStringView text, qsizetype iMaxBytes)
{
    const char16_t* from = text.utf16();
    const qsizetype size = text.size();
    qsizetype length = 0;
    qsizetype i = 0;
    while (i < size) {
        const TPoint point = PointAt(from, size, i);
        if (length + PointBytes(point) > iMaxBytes)
            break;
        length += PointBytes(point);
        i += point.width;
    }
    return text.left(i);
}

} // namespace AnsiCodePage
