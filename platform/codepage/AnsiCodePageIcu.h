#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Code page 932 through the platform's ICU ("windows-31j"), with the program's
// corrections. Too slow for the program itself (a converter per call); it is
// the source the conversion table is generated from and what tests compare it with.
namespace AnsiCodePageIcu {

// The bytes of one code point (one code unit, or a surrogate pair); empty when
// code page 932 has none for it.
QByteArray EncodePoint(QStringView point);
// Whole texts, as the program converted them before it had a table of its own.
QByteArray Encode(QStringView text);
QString Decode(QByteArrayView bytes);

} // namespace AnsiCodePageIcu
