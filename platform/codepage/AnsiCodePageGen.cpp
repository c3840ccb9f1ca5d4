// Writes the code page 932 conversion table of AnsiCodePage from the platform's
// ICU, once per build:   AnsiCodePageGen OUTPUT.h
// Every entry is taken from what the ICU conversion gives for that code point or
// for that one or two bytes, so the table converts exactly as ICU did.
#include "AnsiCodePageIcu.h"

#include <QSaveFile>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Markers of the tables below; neither is a character code page 932 decodes to.
constexpr std::uint16_t kNone = 0xFFFF;
constexpr std::uint16_t kLeadReplaced = 0xFFFE;

QString Decoded(std::initializer_list<int> bytes)
{
    QByteArray in;
    for (int b : bytes)
        in.append(static_cast<char>(b));
    return AnsiCodePageIcu::Decode(in);
}

[[noreturn]] void Fail(const char* what, int a, int b = -1)
{
    std::fprintf(stderr, "AnsiCodePageGen: %s (%02x %02x)\n", what, a, b);
    std::exit(1);
}

void Table(QByteArray& out, const char* type, const char* name, const std::vector<std::uint16_t>& values,
           int rows = 0)
{
    const std::size_t columns = rows > 0 ? values.size() / rows : values.size();
    out += QByteArray("inline constexpr ") + type + " " + name;
    if (rows > 0)
        out += "[" + QByteArray::number(rows) + "]";
    out += "[" + QByteArray::number(qsizetype(columns)) + "] = {";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (rows > 0 && i % columns == 0)
            out += i == 0 ? "\n    {" : "\n    }, {";
        if (i % 16 == 0)
            out += "\n    ";
        out += "0x" + QByteArray::number(values[i], 16) + ",";
    }
    out += rows > 0 ? "\n    }\n};\n\n" : "\n};\n\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: AnsiCodePageGen OUTPUT.h\n");
        return 2;
    }

    std::vector<std::uint16_t> encode(0x10000, kNone);
    for (int c = 0; c < 0x10000; ++c) {
        const QChar unit(static_cast<char16_t>(c));
        const QByteArray bytes = AnsiCodePageIcu::EncodePoint(QStringView(&unit, 1));
        if (bytes.size() == 1)
            encode[c] = static_cast<unsigned char>(bytes[0]);
        else if (bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) >= 0x80)
            encode[c] = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                   static_cast<unsigned char>(bytes[1]));
        else if (!bytes.isEmpty())
            Fail("a code point of more than two bytes", c >> 8, c & 0xFF);
    }

    // A byte that decodes to nothing alone starts a pair (and, at the very end, is dropped).
    std::vector<std::uint16_t> single(256, kNone), leadIndex(256, 0), pairs;
    int leads = 0;
    std::uint16_t replacement = kNone;
    for (int b = 0; b < 256; ++b) {
        const QString alone = Decoded({b});
        if (alone.size() == 1)
            single[b] = alone[0].unicode();
        else if (alone.isEmpty())
            leadIndex[b] = static_cast<std::uint16_t>(++leads);
        else
            Fail("a byte that decodes to more than one character", b);
    }
    for (int b = 0; b < 256; ++b) {
        if (leadIndex[b] == 0)
            continue;
        for (int t = 0; t < 256; ++t) {
            // A blank after the pair tells whether the second byte was taken with
            // the first: a blank is never the second byte of a pair.
            const QString pair = Decoded({b, t});
            const QString rest = Decoded({t});
            const QString pairBlank = Decoded({b, t, ' '});
            const QString restBlank = Decoded({t, ' '});
            const qsizetype given = pairBlank.size() - restBlank.size();
            const bool alone = (given == 0 || given == 1) && pairBlank.endsWith(restBlank) &&
                               pair == pairBlank.left(given) + rest;
            bool taken = pair.size() == 1 && pairBlank == pair + u' ';
            // A pair that reads as its second byte alone reads the same either way.
            if (alone && taken && single[t] != kNone && pair == rest)
                taken = false;
            if (alone == taken)
                Fail("a pair that is neither one character nor two", b, t);
            if (taken) {
                if (pair[0].unicode() >= kLeadReplaced)
                    Fail("a pair that decodes to a marker", b, t);
                pairs.push_back(pair[0].unicode());
            } else if (given == 0) {
                // Before a byte the program corrects, ICU's part ends with the first byte.
                pairs.push_back(kNone);
            } else {
                if (replacement != kNone && replacement != pairBlank[0].unicode())
                    Fail("two replacements for a first byte standing alone", b, t);
                replacement = pairBlank[0].unicode();
                pairs.push_back(kLeadReplaced);
            }
        }
    }
    if (replacement == kNone)
        Fail("no replacement for a lone first byte", 0);

    // Both ways every ASCII character is its own byte; the conversion copies runs of them.
    for (int c = 0; c < 0x80; ++c) {
        if (encode[c] != c || single[c] != c)
            Fail("an ASCII character that is not its own byte", c);
    }

    QByteArray out = "// Generated by AnsiCodePageGen from the platform's ICU; do not edit.\n"
                     "#pragma once\n\n#include <cstdint>\n\nnamespace AnsiCodePageTable {\n\n";
    out += "// Markers: no character or byte; a first byte of a pair that stands alone.\n";
    out += "inline constexpr std::uint16_t kNone = 0x" + QByteArray::number(kNone, 16) + ";\n";
    out +=
        "inline constexpr std::uint16_t kLeadReplaced = 0x" + QByteArray::number(kLeadReplaced, 16) + ";\n";
    out += "// What a first byte standing alone before another byte decodes to.\n";
    out += "inline constexpr char16_t kLeadReplacement = 0x" + QByteArray::number(replacement, 16) + ";\n";
    out += "inline constexpr int kLeadCount = " + QByteArray::number(leads) + ";\n\n";
    out += "// Code unit to bytes: below 0x100 one byte, else the first byte in the high half.\n";
    Table(out, "std::uint16_t", "kEncode", encode);
    out += "// A byte that is no first byte to its character (a first byte alone at the end is dropped).\n";
    Table(out, "char16_t", "kDecodeSingle", single);
    out += "// A first byte of a pair to 1 + its row in kDecodePair, else 0.\n";
    Table(out, "std::uint8_t", "kLeadIndex", leadIndex);
    out += "// A pair to its character; kLeadReplaced: kLeadReplacement and the second byte\n"
           "// read again; kNone: nothing and the second byte read again.\n";
    Table(out, "char16_t", "kDecodePair", pairs, leads);
    out += "} // namespace AnsiCodePageTable\n";

    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        std::fprintf(stderr, "AnsiCodePageGen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
