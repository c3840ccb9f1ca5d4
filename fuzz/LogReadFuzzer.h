#pragma once

// The input of the log-reader fuzzer, shared with the seed writer:
//   byte 0         the kind of a new record
//   then three fields, each two bytes of length (big-endian, taken modulo
//                  kMaxField + 1) and that many bytes in the ANSI code page:
//                  the sender, the recipient and the text of the new record
//   the rest       a log file as it lies on disk, any bytes at all
// The target reads the file as the viewer does, then puts the new record at its
// top as the writer does and reads it again.
#include <QByteArray>

namespace LogReadFuzz {

constexpr int kMaxField = 1024;

// A field as the input holds it: two bytes of length, then the bytes.
inline QByteArray Field(const QByteArray& bytes)
{
    const int length = static_cast<int>(bytes.size() < kMaxField ? bytes.size() : kMaxField);
    QByteArray out;
    out.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    return out + bytes.left(length);
}

} // namespace LogReadFuzz
