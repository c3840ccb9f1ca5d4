#include "AnsiCodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

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

// ICU substitutes its own two-byte character for what it cannot map; redo the
// conversion one code point at a time so each of them becomes a single "?".
QByteArray EncodeReplacingUnmappable(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype width = (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        QStringView point = text.mid(i, width);
        QStringEncoder encoder(kCodePageName);
        QByteArray bytes = encoder.encode(point);
        if (encoder.hasError() || bytes.isEmpty())
            out.append('?');
        else
            out.append(bytes);
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
        return bytes;
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
    QStringDecoder decoder(kCodePageName);
    return decoder.decode(bytes);
}

qsizetype ByteLength(QStringView text)
{
    if (IsAscii(text))
        return text.size();
    return Encode(text).size();
}

} // namespace AnsiCodePage
