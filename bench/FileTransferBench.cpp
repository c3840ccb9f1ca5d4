// File-transfer benchmark on the test LAN: one file (1 GiB by default) from an
// engine in host 1 to a pvnpeer copy in host 2, checked byte for byte, against
// a plain TCP copy of the same file over the same link, with the engine's
// default piece of 4096 bytes and with 65536. Needs root, like the tests.
//   FileTransferBench [MiB]
#include "ParvaneNetwork.h"
#include "SourceFile.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPlainPort = 54000;
constexpr int kPeerFilePort = 52000;
constexpr qint64 kChunk = 1 << 20;
constexpr int kRuns = 3;

bool SameBytes(const QString& a, const QString& b)
{
    const int fa = open(QFile::encodeName(a).constData(), O_RDONLY | O_CLOEXEC);
    const int fb = open(QFile::encodeName(b).constData(), O_RDONLY | O_CLOEXEC);
    std::vector<char> ba(kChunk);
    std::vector<char> bb(kChunk);
    bool same = fa >= 0 && fb >= 0;
    while (same) {
        const ssize_t na = read(fa, ba.data(), ba.size());
        ssize_t nb = 0;
        while (nb < na) {
            const ssize_t r = read(fb, bb.data() + nb, static_cast<size_t>(na - nb));
            if (r <= 0)
                break;
            nb += r;
        }
        if (na < 0 || nb != na || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(na)) != 0)
            same = false;
        if (na <= 0)
            break;
    }
    char extra = 0;
    if (same && read(fb, &extra, 1) != 0)
        same = false;
    if (fa >= 0)
        close(fa);
    if (fb >= 0)
        close(fb);
    return same;
}

double CpuSecondsSelf()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double CpuSecondsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toLongLong() + fields[12].toLongLong()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double MBps(qint64 bytes, double seconds)
{
    return seconds > 0 ? bytes / seconds / 1e6 : 0;
}

// A pvnpeer copy driven line by line; only the answers of commands are read.
class Peer {
public:
    bool Start(const TestLan& lan, int host)
    {
        lan.PlaceProcess(FProcess, host);
        FProcess.start(QStringLiteral(PVNPEER_PATH), {});
        return FProcess.waitForStarted(5000);
    }
    ~Peer()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.write("quit\n");
            FProcess.closeWriteChannel();
            if (!FProcess.waitForFinished(5000))
                FProcess.kill();
        }
    }
    // The answer line of a command; event lines before it are skipped.
    QByteArray Command(const QByteArray& line)
    {
        FProcess.write(line + "\n");
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            while (FProcess.canReadLine()) {
                const QByteArray answer = FProcess.readLine().trimmed();
                if (!answer.startsWith("event\t"))
                    return answer;
            }
            FProcess.waitForReadyRead(100);
        }
        return "timeout";
    }
    qint64 Pid() const { return FProcess.processId(); }
    // The error events the copy has printed so far.
    QByteArray Errors()
    {
        QByteArray errors;
        FProcess.waitForReadyRead(200);
        for (const QByteArray& line : FProcess.readAll().split('\n')) {
            if (line.startsWith("event\tOnError"))
                errors += line + "\n";
        }
        return errors;
    }

private:
    QProcess FProcess;
};

struct Run {
    double seconds = 0;
    double senderCpu = 0;
    double receiverCpu = 0;
};

double PrintedCpu(QProcess& process)
{
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("cpu "))
            return line.mid(4).toDouble();
    }
    return 0;
}

std::optional<Run> PlainCopy(TestLan& lan, const QString& source, const QString& target)
{
    QProcess receiver;
    lan.PlaceProcess(receiver, 1);
    receiver.start(QStringLiteral(PLAINCOPY_PATH), {"recv", QString::number(kPlainPort), target});
    if (!receiver.waitForReadyRead(5000))
        return std::nullopt;
    QProcess sender;
    lan.PlaceProcess(sender, 0);
    QElapsedTimer timer;
    timer.start();
    sender.start(QStringLiteral(PLAINCOPY_PATH),
                 {"send", lan.Address(1), QString::number(kPlainPort), source});
    if (!sender.waitForFinished(600000) || !receiver.waitForFinished(600000) || sender.exitCode() != 0 ||
        receiver.exitCode() != 0)
        return std::nullopt;
    Run run;
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.senderCpu = PrintedCpu(sender);
    run.receiverCpu = PrintedCpu(receiver);
    const bool same = SameBytes(source, target);
    QFile::remove(target);
    if (!same)
        return std::nullopt;
    return run;
}

std::optional<Run> EngineCopy(TestLan& lan, const QString& source, const QString& folder, int pieceBytes)
{
    Peer peer;
    if (!peer.Start(lan, 1))
        return std::nullopt;
    for (const QByteArray& command :
         {QByteArray("set\tDiscrimination\tParvane2"), QByteArray("set\tVersion\t2200"),
          QByteArray("call\tServiceStart"), QByteArray("set\tHandleName\t受信側"),
          QByteArray("mute\tOnFileRecving"), "recv\taccept\t" + folder.toUtf8(), QByteArray("call\tLogin")}) {
        const QByteArray answer = peer.Command(command);
        if (!answer.startsWith("ok") && !answer.startsWith("result\t1")) {
            std::fprintf(stderr, "pvnpeer answered %s to %s\n", answer.constData(), command.constData());
            return std::nullopt;
        }
    }

    lan.Enter(0);
    std::optional<Run> result;
    {
        TParvaneNetwork engine;
        engine.SetDiscrimination("Parvane2");
        engine.SetVersion(2200);
        engine.SetFTPPortNo(kPeerFilePort);
        engine.SetFTPSendByte(pieceBytes);
        QEventLoop loop;
        bool ok = false;
        engine.OnLogin = [&](TParvaneNetwork*, const QString&, const QString&, const QString&, const QString&,
                             int, bool, const QString&, bool, bool, int) {
            if (engine.LoginCount() == 2)
                loop.quit();
        };
        // Bound as the application binds it: progress is raised once per piece.
        qint64 pieces = 0;
        engine.OnFileSending = [&](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                                   const QString&, qint64, qint64) { ++pieces; };
        engine.OnFileSendEnd = [&](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                                   const QString&) {
            ok = true;
            loop.quit();
        };
        engine.OnErrorFileSend = [&](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                                     const QString&, int error) {
            std::fprintf(stderr, "send failed with error %d\n", error);
            loop.quit();
        };
        QTimer::singleShot(600000, &loop, &QEventLoop::quit);
        if (engine.ServiceStart()) {
            engine.SetHandleName("送信側");
            engine.Login();
            if (engine.LoginCount() < 2)
                loop.exec();
            // For a profiler to attach to the two sides.
            std::fprintf(stderr, "transfer starts: sender %lld, receiver %lld\n",
                         static_cast<long long>(getpid()), static_cast<long long>(peer.Pid()));
            const double cpuBefore = CpuSecondsSelf();
            const double peerBefore = CpuSecondsOf(peer.Pid());
            QElapsedTimer timer;
            timer.start();
            if (engine.LoginCount() == 2 && engine.FileSend(source, "bench", lan.Address(1), "Parvane2") != 0)
                loop.exec();
            Run run;
            run.seconds = timer.nsecsElapsed() / 1e9;
            run.senderCpu = CpuSecondsSelf() - cpuBefore;
            run.receiverCpu = CpuSecondsOf(peer.Pid()) - peerBefore;
            const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
            if (ok && SameBytes(source, target))
                result = run;
            else
                std::fprintf(stderr, "the received file differs or did not arrive\n%s",
                             peer.Errors().constData());
            QFile::remove(target);
        }
    }
    lan.Leave();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const qint64 size = mib * 1024 * 1024;
    TestLan lan(2);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "test LAN: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    QTemporaryDir here;
    QTemporaryDir there;
    const QString source = QDir(here.path()).filePath("bench.bin");
    if (!SourceFileWrite(source, size)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
        return 1;
    }
    const double gib = size / double(1 << 30);
    std::printf("file of %lld bytes, host 1 -> host 2 over veth; best of %d runs each\n",
                static_cast<long long>(size), kRuns);

    // Runs alternate, so a busy moment of the machine hits each kind alike; the fastest counts.
    std::optional<Run> best[3];
    const char* names[3] = {"plain copy, 64 KiB buffers", "engine, FTPSendByte 4096",
                            "engine, FTPSendByte 65536"};
    int failures = 0;
    for (int round = 0; round < kRuns; ++round) {
        for (int kind = 0; kind < 3; ++kind) {
            std::optional<Run> run = kind == 0
                                         ? PlainCopy(lan, source, QDir(there.path()).filePath("plain.bin"))
                                         : EngineCopy(lan, source, there.path(), kind == 1 ? 4096 : 65536);
            if (!run) {
                std::fprintf(stderr, "%s: failed\n", names[kind]);
                ++failures;
                continue;
            }
            if (!best[kind] || run->seconds < best[kind]->seconds)
                best[kind] = run;
        }
    }
    std::printf("%-28s %9s %10s %7s %22s\n", "", "seconds", "MB/s", "ratio", "CPU s/GiB send / recv");
    for (int kind = 0; kind < 3; ++kind) {
        if (!best[kind]) {
            std::printf("%-28s failed\n", names[kind]);
            continue;
        }
        const Run& r = *best[kind];
        std::printf("%-28s %9.3f %10.1f %7.2f %11.2f / %6.2f\n", names[kind], r.seconds,
                    MBps(size, r.seconds), best[0] ? best[0]->seconds / r.seconds : 0.0, r.senderCpu / gib,
                    r.receiverCpu / gib);
    }
    return failures == 0 ? 0 : 1;
}
