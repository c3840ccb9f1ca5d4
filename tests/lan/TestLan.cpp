#include "TestLan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kNetnsDir = "/run/netns";
// Names are "pv<pid>h<n>" for hosts and "pv<pid>sw" for the bridge.
const QRegularExpression kNamePattern(QStringLiteral("^pv(\\d+)(h\\d+|sw)$"));

QString IpCommand()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("ip"), {"/usr/sbin", "/sbin", "/usr/bin"});
    return found;
}

} // namespace

bool RunIp(const QStringList& args, QString* error)
{
    const QString ip = IpCommand();
    if (ip.isEmpty()) {
        if (error)
            *error = QStringLiteral("the ip command (iproute2) is not installed");
        return false;
    }
    QProcess process;
    process.start(ip, args);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error =
                QStringLiteral("ip %1 failed: %2")
                    .arg(args.join(' '), QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

namespace {

// What `ip` prints; empty when it fails.
QString IpOutput(const QStringList& args)
{
    const QString ip = IpCommand();
    if (ip.isEmpty())
        return {};
    QProcess process;
    process.start(ip, args);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// A veth's carrier and the bridge port's state follow the "up" asynchronously,
// later still on a loaded machine; a datagram sent before then is dropped.
constexpr int kLinkReadyTimeoutMs = 20000;
constexpr int kLinkPollMs = 20;

} // namespace

TestLan::TestLan(int iHostCount) : FHostCount(iHostCount)
{
    FPrefix = QStringLiteral("pv%1").arg(getpid());
    if (geteuid() != 0) {
        FError = QStringLiteral("the test LAN needs root to make network namespaces");
        return;
    }
    RemoveStale();
    FOriginalNet = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    FOriginalUts = open("/proc/thread-self/ns/uts", O_RDONLY | O_CLOEXEC);
    if (FOriginalNet < 0 || FOriginalUts < 0) {
        FError = QStringLiteral("cannot open the thread's namespaces: %1").arg(strerror(errno));
        return;
    }
    FReady = Build();
    if (!FReady)
        Remove();
}

TestLan::~TestLan()
{
    if (FOriginalNet >= 0)
        Leave();
    Remove();
    if (FOriginalNet >= 0)
        close(FOriginalNet);
    if (FOriginalUts >= 0)
        close(FOriginalUts);
}

QString TestLan::Address(int i) const
{
    return QStringLiteral("198.18.0.%1").arg(i + 1);
}

QString TestLan::MachineName(int i) const
{
    return QStringLiteral("PVHOST%1").arg(i + 1);
}

QString TestLan::NamespaceName(int i) const
{
    return FPrefix + QStringLiteral("h%1").arg(i + 1);
}

bool TestLan::Run(const QStringList& args)
{
    return RunIp(args, &FError);
}

bool TestLan::Build()
{
    const QString sw = FPrefix + QStringLiteral("sw");
    if (!Run({"netns", "add", sw}) || !Run({"-n", sw, "link", "add", "br0", "type", "bridge"}) ||
        !Run({"-n", sw, "link", "set", "br0", "up"}))
        return false;
    for (int i = 0; i < FHostCount; ++i) {
        const QString host = NamespaceName(i);
        const QString port = QStringLiteral("p%1").arg(i + 1);
        if (!Run({"netns", "add", host}) || !Run({"-n", host, "link", "set", "lo", "up"}) ||
            !Run({"-n", host, "link", "add", "eth0", "type", "veth", "peer", "name", port, "netns", sw}) ||
            !Run({"-n", sw, "link", "set", port, "master", "br0", "up"}) ||
            !Run({"-n", host, "addr", "add", Address(i) + "/15", "broadcast", BroadcastAddress(), "dev",
                  "eth0"}) ||
            !Run({"-n", host, "link", "set", "eth0", "up"}) ||
            !Run({"-n", host, "route", "add", "default", "dev", "eth0"}))
            return false;
    }
    return LinksReady(sw);
}

bool TestLan::LinksReady(const QString& sw)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        bool ready = true;
        for (int i = 0; i < FHostCount && ready; ++i) {
            const QString port = QStringLiteral("p%1").arg(i + 1);
            ready = IpOutput({"-n", sw, "-d", "-o", "link", "show", port}).contains("state forwarding") &&
                    IpOutput({"-n", NamespaceName(i), "-o", "link", "show", "eth0"}).contains("LOWER_UP");
        }
        if (ready)
            return true;
        if (waited.elapsed() > kLinkReadyTimeoutMs) {
            FError = QStringLiteral("the test LAN's links did not come up in time");
            return false;
        }
        QThread::msleep(kLinkPollMs);
    }
}

void TestLan::Remove()
{
    for (const QString& name : NamespacesOf(getpid()))
        RunIp({"netns", "del", name}, nullptr);
}

void TestLan::Enter(int i)
{
    const QByteArray path = (QString::fromLatin1(kNetnsDir) + "/" + NamespaceName(i)).toLocal8Bit();
    int fd = open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        qFatal("test LAN: cannot open %s", path.constData());
    if (setns(fd, CLONE_NEWNET) != 0)
        qFatal("test LAN: cannot enter %s: %s", path.constData(), strerror(errno));
    close(fd);
    const QByteArray name = MachineName(i).toLatin1();
    if (unshare(CLONE_NEWUTS) != 0 || sethostname(name.constData(), name.size()) != 0)
        qFatal("test LAN: cannot set the host name: %s", strerror(errno));
}

void TestLan::Leave()
{
    if (FOriginalNet >= 0)
        setns(FOriginalNet, CLONE_NEWNET);
    if (FOriginalUts >= 0)
        setns(FOriginalUts, CLONE_NEWUTS);
}

TestLan::ThreadPlace::ThreadPlace()
    : FNet(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)),
      FUts(open("/proc/thread-self/ns/uts", O_RDONLY | O_CLOEXEC))
{
    if (FNet < 0 || FUts < 0)
        qFatal("test LAN: cannot open the thread's namespaces: %s", strerror(errno));
}

TestLan::ThreadPlace::~ThreadPlace()
{
    // Staying in a host's namespace would be harmless; coming back to the wrong one is not.
    if (setns(FNet, CLONE_NEWNET) != 0 || setns(FUts, CLONE_NEWUTS) != 0)
        qFatal("test LAN: cannot go back to the thread's namespaces: %s", strerror(errno));
    close(FNet);
    close(FUts);
}

qint64 TestLan::UdpReceiveBufferErrors(int i)
{
    // Read by a thread of its own in the host, so the caller stays in whatever host it
    // is in; that thread's own view, as /proc/net follows the process's first thread.
    QByteArray snmp;
    std::thread([&] {
        Enter(i);
        QFile file(QStringLiteral("/proc/thread-self/net/snmp"));
        if (file.open(QIODevice::ReadOnly))
            snmp = file.readAll();
    }).join();
    QList<QByteArray> names, values;
    for (const QByteArray& line : snmp.split('\n')) {
        if (!line.startsWith("Udp: "))
            continue;
        (names.isEmpty() ? names : values) = line.simplified().split(' ');
    }
    const qsizetype at = names.indexOf("RcvbufErrors");
    bool ok = false;
    const qint64 iErrors = at > 0 && at < values.size() ? values[at].toLongLong(&ok) : -1;
    return ok ? iErrors : -1;
}

void TestLan::PlaceProcess(QProcess& process, int i) const
{
    const std::string path = (QString::fromLatin1(kNetnsDir) + "/" + NamespaceName(i)).toStdString();
    const std::string name = MachineName(i).toStdString();
    process.setChildProcessModifier([path, name]() {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || setns(fd, CLONE_NEWNET) != 0 || unshare(CLONE_NEWUTS) != 0 ||
            sethostname(name.c_str(), name.size()) != 0)
            _exit(126);
        close(fd);
    });
}

QStringList TestLan::NamespacesOf(long iPid)
{
    QStringList names;
    const QStringList entries = QDir(QString::fromLatin1(kNetnsDir)).entryList(QDir::Files | QDir::System);
    for (const QString& entry : entries) {
        auto match = kNamePattern.match(entry);
        if (match.hasMatch() && match.captured(1).toLong() == iPid)
            names.append(entry);
    }
    return names;
}

void TestLan::RemoveStale()
{
    const QStringList entries = QDir(QString::fromLatin1(kNetnsDir)).entryList(QDir::Files | QDir::System);
    for (const QString& entry : entries) {
        auto match = kNamePattern.match(entry);
        if (!match.hasMatch())
            continue;
        const pid_t pid = static_cast<pid_t>(match.captured(1).toLong());
        if (kill(pid, 0) != 0 && errno == ESRCH)
            RunIp({"netns", "del", entry}, nullptr);
    }
}
