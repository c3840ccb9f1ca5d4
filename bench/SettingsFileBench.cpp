// How long the settings file takes for what the program does with it at once:
// the options apply's writing pass over the [Option] section, a pass of 330 keys,
// the same keys saved one by one as each write did before writing passes, and
// the start-up's reading of every key.
//   bench/SettingsFileBench [folder]   (default: a temporary folder)
#include "IniFile.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <vector>

namespace {

constexpr int kRounds = 5;
constexpr int kPassKeys = 330;
constexpr int kAddresses = 10;
const char* const kOtherSections[] = {"MainWindow", "SendWindow", "RecvWindow", "ChatWindow", "LogWindow"};
const char* const kOtherSectionKeys[] = {"Left", "Top", "Width", "Height", "AlphaBlend"};
constexpr int kOtherKeys = std::size(kOtherSections) * std::size(kOtherSectionKeys);

// Every away kind and sound file filled, so the file is as large as the options make it.
void FillOptions()
{
    HandleName = QStringLiteral("山田 太郎");
    for (int i = 0; i < AbsenceMessageCount; ++i)
        AbsenceMessage[i] = {QStringLiteral("離席中%1").arg(i),
                             QStringLiteral("席を外しています。\r\nすぐ戻ります。")};
    for (QString& file : CustomizeSoundFile)
        file = QStringLiteral("/usr/share/sounds/受信.wav");
    SecurityLogPassword = QStringLiteral("秘密");
}

QStringList Addresses()
{
    QStringList addresses;
    for (int i = 0; i < kAddresses; ++i)
        addresses.append(QStringLiteral("198.18.%1.255").arg(i));
    return addresses;
}

// The sections the other windows keep beside [Option].
void StoreOtherSections(const QString& sPath)
{
    IniFile ini(sPath);
    const IniFileWritingPass pass(sPath);
    for (const char* section : kOtherSections) {
        for (const char* key : kOtherSectionKeys)
            ini.WriteInteger(QString::fromLatin1(section), QString::fromLatin1(key), 100);
    }
}

int KeyCount(const QString& sPath)
{
    QFile file(sPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(file.readAll().count('='));
}

// The median of kRounds runs of f, in milliseconds; each run starts from sPath as prepare leaves it.
double MedianMs(const std::function<void()>& prepare, const std::function<bool()>& f, int iRounds,
                bool* pbFailed)
{
    std::vector<double> times;
    for (int i = 0; i < iRounds; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        if (!f())
            *pbFailed = true;
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void WriteKeys(const QString& sPath)
{
    IniFile ini(sPath);
    for (int i = 0; i < kPassKeys; ++i)
        ini.WriteString(SectionOption, QStringLiteral("Key%1").arg(i), QStringLiteral("値%1").arg(i));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    ProgramDirectory = ProgramDirectoryOf(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path());
    FileBaseName = ProgramDirectory + QStringLiteral("SettingsFileBench");
    const QString path = SettingsFileName();
    const auto fresh = [&path] {
        QFile::remove(path);
        StoreOtherSections(path);
    };
    FillOptions();
    bool failed = false;

    const double applyMs = MedianMs(
        fresh,
        [&path] {
            IniFile ini(path);
            return SettingsWriteOption(ini, Addresses(), true);
        },
        kRounds, &failed);
    const int applyKeys = KeyCount(path) - kOtherKeys;

    const double passMs = MedianMs(
        fresh,
        [&path] {
            const IniFileWritingPass pass(path);
            WriteKeys(path);
            return true;
        },
        kRounds, &failed);
    const double oneByOneMs = MedianMs(
        fresh,
        [&path] {
            WriteKeys(path);
            return true;
        },
        1, &failed);

    const auto readAll = [&path] {
        const IniFile ini(path);
        SettingsReadPorts(ini);
        SettingsReadBars(ini);
        SettingsReadViewFlags(ini);
        SettingsReadOption(ini, QStringLiteral("PVHOST1"));
        SettingsReadAbsence(ini);
        return !SettingsReadBroadcastIP(ini).isEmpty();
    };
    const auto prepared = [&path, &fresh] {
        fresh();
        IniFile ini(path);
        SettingsWriteOption(ini, Addresses(), true);
    };
    const double readMs = MedianMs(prepared, readAll, kRounds, &failed);
    const double readPassMs = MedianMs(
        prepared,
        [&path, &readAll] {
            const IniFileWritingPass pass(path);
            return readAll();
        },
        kRounds, &failed);

    std::printf("settings file, median of %d rounds\n", kRounds);
    std::printf("  options apply (%d keys, one pass)      %9.2f ms\n", applyKeys, applyMs);
    std::printf("  %d keys in one pass                    %9.2f ms\n", kPassKeys, passMs);
    std::printf("  %d keys, one save each (1 round)       %9.2f ms\n", kPassKeys, oneByOneMs);
    std::printf("  start-up reading of every key           %9.2f ms\n", readMs);
    std::printf("  the same reading inside one pass        %9.2f ms\n", readPassMs);
    if (failed)
        std::printf("FAILED: a write did not reach the file\n");
    QFile::remove(path);
    return failed ? 1 : 0;
}
