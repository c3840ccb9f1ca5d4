#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

// A private LAN of network namespaces for tests that open sockets: hosts
// joined by veth pairs to a bridge that lives in a namespace of its own, with
// addresses from 198.18.0.0/15 and a default route on the LAN interface, so a
// broadcast to 255.255.255.255 reaches every host and nothing else. Nothing is
// made in the machine's own namespace; everything is removed again, and what
// a killed test left behind is swept by the next one.
// Runs the ip command (iproute2) with args; false when it is missing or fails, with
// the reason in pError when given. Tests change a host's addresses with it.
bool RunIp(const QStringList& args, QString* pError = nullptr);

class TestLan {
public:
    explicit TestLan(int iHostCount = 2);
    ~TestLan();
    TestLan(const TestLan&) = delete;
    TestLan& operator=(const TestLan&) = delete;

    // False when the LAN could not be made (not root, no ip command); Error() says why.
    bool IsReady() const { return FReady; }
    const QString& Error() const { return FError; }

    int HostCount() const { return FHostCount; }
    // Host i (from 0) has the address 198.18.0.(i+1) and the computer name "PVHOST(i+1)".
    QString Address(int i) const;
    QString MachineName(int i) const;
    QString NamespaceName(int i) const;
    static QString BroadcastAddress() { return QStringLiteral("198.19.255.255"); }

    // Moves the calling thread into host i: its network namespace and a host
    // name of its own. Sockets made there stay there after Leave().
    void Enter(int i);
    void Leave();

    // Runs f in host i and puts the thread back where it was: in the host it
    // had entered, or in the machine's own network when it was there.
    template <class F> auto In(int i, F&& f)
    {
        const ThreadPlace back;
        Enter(i);
        return f();
    }

    // Datagrams the kernel of host i dropped for a full receive buffer (the Udp
    // RcvbufErrors of its /proc/net/snmp); -1 when it cannot be read. The calling
    // thread stays where it is.
    qint64 UdpReceiveBufferErrors(int i);

    // Makes a child process start inside host i, with that host's computer name.
    void PlaceProcess(QProcess& process, int i) const;

    // Removes the namespaces of test processes that are no longer running.
    static void RemoveStale();
    // Every namespace a test LAN of the process iPid made.
    static QStringList NamespacesOf(long iPid);

private:
    // The calling thread's network and host name namespaces, taken back on destruction.
    class ThreadPlace {
    public:
        ThreadPlace();
        ~ThreadPlace();
        ThreadPlace(const ThreadPlace&) = delete;
        ThreadPlace& operator=(const ThreadPlace&) = delete;

    private:
        int FNet = -1;
        int FUts = -1;
    };

    bool Run(const QStringList& args);
    bool Build();
    // Waits until every host's link carries and its bridge port forwards.
    bool LinksReady(const QString& sw);
    void Remove();

    int FHostCount = 0;
    bool FReady = false;
    QString FError;
    QString FPrefix;
    int FOriginalNet = -1;
    int FOriginalUts = -1;
};
