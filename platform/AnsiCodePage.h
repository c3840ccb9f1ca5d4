#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system's ANSI code page, fixed to the Japanese code page 932 so that
// byte counts, the wire and the files match a Windows copy exactly.
namespace AnsiCodePage {

// A character that code page 932 lacks becomes "?", as the Windows default character does.
QByteArray Encode(QStringView text);
QString Decode(QByteArrayView bytes);
qsizetype ByteLength(QStringView text);
// The longest start of text that fits into iMaxBytes bytes, cut between whole
// characters, so a double-byte character never loses its trail byte. Every cut
// of a text to a byte limit goes through here.
QStringView LeftBytes(QStringView text, qsizetype iMaxBytes);

} // namespace AnsiCodePage
