// Code page 932 conversions of the program's table against the ICU conversion
// it was generated from, on about 1 MB of mixed Japanese and ASCII text, as
// messages and the log are: encoding, decoding and counting bytes.
//   bench/CodePageBench [MB]   (default: 1)
#include "AnsiCodePage.h"
#include "AnsiCodePageIcu.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 9;

// Lines as people write them: Japanese with names, numbers and an address in ASCII.
QString MixedText(qsizetype iBytes)
{
    static const QString kLines[] = {
        QStringLiteral("お疲れさまです。明日の会議は10時から第二会議室で行います。\r\n"),
        QStringLiteral("Please see \\\\server\\share\\資料\\2011-08-29.xlsx for details.\r\n"),
        QStringLiteral("ｶﾀｶﾅの半角も混ざります：ﾃｽﾄ ①②③ ～ ＼１２３４\r\n"),
        QStringLiteral("OK, thanks! I'll call you at 3 p.m.\r\n"),
    };
    QString text;
    for (qsizetype i = 0, bytes = 0; bytes < iBytes; ++i) {
        text += kLines[i % 4];
        bytes += AnsiCodePage::ByteLength(kLines[i % 4]);
    }
    return text;
}

double MedianMs(const std::function<void()>& run)
{
    std::vector<double> samples;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        run();
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double megabytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 1.0;
    const QString text = MixedText(static_cast<qsizetype>(megabytes * 1e6));
    const QByteArray bytes = AnsiCodePage::Encode(text);
    if (AnsiCodePageIcu::Encode(text) != bytes ||
        AnsiCodePageIcu::Decode(bytes) != AnsiCodePage::Decode(bytes)) {
        std::fprintf(stderr, "the table and ICU disagree on the text\n");
        return 1;
    }
    qsizetype sink = 0;
    const double tableEncode = MedianMs([&] { sink += AnsiCodePage::Encode(text).size(); });
    const double icuEncode = MedianMs([&] { sink += AnsiCodePageIcu::Encode(text).size(); });
    const double tableDecode = MedianMs([&] { sink += AnsiCodePage::Decode(bytes).size(); });
    const double icuDecode = MedianMs([&] { sink += AnsiCodePageIcu::Decode(bytes).size(); });
    const double tableLength = MedianMs([&] { sink += AnsiCodePage::ByteLength(text); });
    // ICU counted by converting, as the program did.
    const double icuLength = MedianMs([&] { sink += AnsiCodePageIcu::Encode(text).size(); });

    // The same text a message at a time, where a converter per call was the cost.
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    const double tableLines = MedianMs([&] {
        for (QStringView line : lines)
            sink += AnsiCodePage::Encode(line).size();
    });
    const double icuLines = MedianMs([&] {
        for (QStringView line : lines)
            sink += AnsiCodePageIcu::Encode(line).size();
    });

    const QList<QByteArray> byteLines = bytes.split('\n');
    const double tableByteLines = MedianMs([&] {
        for (const QByteArray& line : byteLines)
            sink += AnsiCodePage::Decode(line).size();
    });
    const double icuByteLines = MedianMs([&] {
        for (const QByteArray& line : byteLines)
            sink += AnsiCodePageIcu::Decode(line).size();
    });

    std::printf("%.2f MB of mixed text (%lld characters), median of %d rounds\n", bytes.size() / 1e6,
                static_cast<long long>(text.size()), kRounds);
    std::printf("%-26s %10s %10s %8s\n", "", "table ms", "ICU ms", "speed-up");
    const auto row = [](const char* sName, double table, double icu) {
        std::printf("%-26s %10.2f %10.2f %7.1fx\n", sName, table, icu, icu / table);
    };
    row("encode", tableEncode, icuEncode);
    row("decode", tableDecode, icuDecode);
    row("byte length", tableLength, icuLength);
    row("encode, line by line", tableLines, icuLines);
    row("decode, line by line", tableByteLines, icuByteLines);
    return sink == 0;
}
