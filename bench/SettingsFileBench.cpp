// How long the settings file takes for what the program does with it at once:
// the options apply's one writing pass over the [Option] section, and the
// start-up's reading of every key. Each write re-reads and atomically replaces
// the whole file, and each read parses it again, so both grow with the file.
//   bench/SettingsFileBench [folder]   (default: a temporary folder)
#include "IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// About the size of a full [Option] section: the plain keys, 100 away kinds, a few addresses.
constexpr int kPlainKeys = 90;
constexpr int kAwayKinds = 100;

QString KeyName(int i)
{
    return QStringLiteral("Key%1").arg(i);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString path = folder + QStringLiteral("/SettingsFileBench.INI");
    QFile::remove(path);

    IniFile ini(path);
    QElapsedTimer timer;
    timer.start();
    int writes = 0;
    for (int i = 0; i < kPlainKeys; ++i, ++writes)
        ini.WriteInteger(QStringLiteral("Option"), KeyName(i), i);
    for (int i = 0; i < kAwayKinds; ++i, writes += 2) {
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("Absence-Title%1").arg(i),
                        QStringLiteral("離席中"));
        ini.WriteString(QStringLiteral("Option"), QStringLiteral("Absence-Message%1").arg(i),
                        QStringLiteral("席を外しています。&|すぐ戻ります。"));
    }
    const qint64 writeMs = timer.elapsed();

    timer.restart();
    int reads = 0;
    qint64 sum = 0;
    for (int i = 0; i < kPlainKeys; ++i, ++reads)
        sum += ini.ReadInteger(QStringLiteral("Option"), KeyName(i), 0);
    for (int i = 0; i < kAwayKinds; ++i, reads += 2) {
        sum += ini.ReadString(QStringLiteral("Option"), QStringLiteral("Absence-Title%1").arg(i), QString())
                   .size();
        sum += ini.ReadString(QStringLiteral("Option"), QStringLiteral("Absence-Message%1").arg(i), QString())
                   .size();
    }
    const qint64 readMs = timer.elapsed();

    std::printf("writing pass: %d keys in %lld ms (%.2f ms a key)%s\n", writes,
                static_cast<long long>(writeMs), double(writeMs) / writes, ini.Failed() ? " FAILED" : "");
    std::printf("reading: %d keys in %lld ms (%.3f ms a key), checksum %lld\n", reads,
                static_cast<long long>(readMs), double(readMs) / reads, static_cast<long long>(sum));
    QFile::remove(path);
    return ini.Failed() ? 1 : 0;
}
