#pragma once

// What every fuzz target shares: the reader of its input, the Qt application the
// engine needs for its timers and event loop, fixed clock and random sources so a
// crash replays exactly, and the check that stops the run on a broken invariant.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace Fuzz {

// Reads the input front to back; past its end every read gives zeros, so any
// byte string is a valid input.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    bool AtEnd() const { return FAt >= FSize; }
    std::uint8_t Byte() { return FAt < FSize ? FData[FAt++] : 0; }
    int Word() { return (Byte() << 8) | Byte(); }
    // Up to n bytes, fewer at the end of the input.
    QByteArray Bytes(std::size_t n)
    {
        const std::size_t take = n < FSize - FAt ? n : FSize - FAt;
        QByteArray out(reinterpret_cast<const char*>(FData + FAt), static_cast<qsizetype>(take));
        FAt += take;
        return out;
    }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FAt = 0;
};

// Once per process: the application object and the fixed sources.
void Initialise();
// Before each input: the random source starts again from the same state.
void ResetSources();

// A broken invariant: says which and aborts, so libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what);
inline void Check(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

// The lowest free descriptor; a transfer that leaks one moves it up.
int LowestFreeDescriptor();

} // namespace Fuzz
