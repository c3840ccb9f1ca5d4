#pragma once

// The file both transfer benchmarks send: iSize bytes of a fixed xorshift
// sequence, the same in every run and nothing a link could compress.
#include <QFile>
#include <QString>
#include <algorithm>
#include <vector>

inline bool SourceFileWrite(const QString& sPath, qint64 iSize)
{
    constexpr qint64 kBlock = 1 << 20;
    QFile file(sPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::vector<quint64> block(kBlock / sizeof(quint64));
    quint64 x = 0x9E3779B97F4A7C15ull;
    for (qint64 done = 0; done < iSize; done += kBlock) {
        for (quint64& word : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        const qint64 n = std::min(kBlock, iSize - done);
        if (file.write(reinterpret_cast<const char*>(block.data()), n) != n)
            return false;
    }
    return true;
}
