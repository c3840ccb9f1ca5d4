#include "AnsiCodePageIcu.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace AnsiCodePageIcu {
namespace {

constexpr const char* kCodePageName = "windows-31j";

bool IsAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// ICU's table for this code page rotates three control characters (the byte 1A
// is U+001C there, 1C is U+007F, 7F is U+001A), where Windows maps each of them
// to itself. None of the three can be the second byte of a pair, so they are
// put right byte by byte, on the way out and on the way in.
bool IsRotatedByte(char c)
{
    return c == '\x1a' || c == '\x1c' || c == '\x7f';
}

QByteArray EncodedAsWindows(QByteArray bytes)
{
    for (char& c : bytes) {
        if (c == '\x7f')
            c = '\x1a';
        else if (c == '\x1a')
            c = '\x1c';
        else if (c == '\x1c')
            c = '\x7f';
    }
    return bytes;
}

QString DecodeWithIcu(QByteArrayView bytes)
{
    QStringDecoder decoder(kCodePageName);
    return decoder.decode(bytes);
}

} // namespace

QByteArray EncodePoint(QStringView point)
{
    QStringEncoder encoder(kCodePageName);
    const QByteArray bytes = encoder.encode(point);
    if (encoder.hasError())
        return QByteArray();
    return EncodedAsWindows(bytes);
}

QByteArray Encode(QStringView text)
{
    if (IsAscii(text))
        return text.toLatin1();
    QStringEncoder encoder(kCodePageName);
    const QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return EncodedAsWindows(bytes);
    // ICU substitutes its own two-byte character for what it cannot map; one
    // code point at a time, each of them becomes a single "?".
    QByteArray out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype width =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        const QByteArray point = EncodePoint(text.mid(i, width));
        out.append(point.isEmpty() ? QByteArray("?") : point);
        i += width;
    }
    return out;
}

QString Decode(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    if (std::none_of(bytes.begin(), bytes.end(), IsRotatedByte))
        return DecodeWithIcu(bytes);
    QString out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (!IsRotatedByte(bytes[i]))
            continue;
        out += DecodeWithIcu(bytes.sliced(start, i - start));
        out += QChar(static_cast<unsigned char>(bytes[i]));
        start = i + 1;
    }
    return out + DecodeWithIcu(bytes.sliced(start));
}

} // namespace AnsiCodePageIcu
