#include "AnsiCodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace AnsiCodePage {
namespace {

constexpr const char* kCodePageName = "windows-31j";

bool IsAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
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

// ICU substitutes its own two-byte character for what it cannot map; redo the
// conversion one code point at a time so each of them becomes a single "?".
QByteArray EncodeReplacingUnmappable(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype width =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        QStringView point = text.mid(i, width);
        QStringEncoder encoder(kCodePageName);
        QByteArray bytes = encoder.encode(point);
        if (encoder.hasError() || bytes.isEmpty())
            out.append('?');
        else
            out.append(EncodedAsWindows(bytes));
        i += width;
    }
    return out;
}

} // namespace

QByteArray Encode(QStringView text)
{
    if (IsAscii(text))
        return text.toLatin1();
    QStringEncoder encoder(kCodePageName);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return EncodedAsWindows(bytes);
    return EncodeReplacingUnmappable(text);
}

QString Decode(QByteArrayView bytes)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
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

qsizetype ByteLength(QStringView text)
{
    if (IsAscii(text))
        return text.size();
    return Encode(text).size();
}

} // namespace AnsiCodePage
