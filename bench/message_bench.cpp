// Message benchmark: one engine in host 1 sends messages to a second engine
// in host 2 (on a thread of its own, with its own event loop) and waits for
// each receipt. Reports the time from MessageSend until OnMessageOk, for a
// short text and for the longest message (2048 bytes), plain and scrambled.
//
// Run as root (the test LAN needs it): build/bin/message_bench [rounds]
#include "AnsiCodePage.h"
#include "ParvaneNetwork.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {

const QString kId = QStringLiteral("Parvane2");

// The receiving copy: lives in host 2 for its whole life, on its own thread.
class Receiver : public QThread {
public:
    explicit Receiver(TestLan& lan) : FLan(lan) {}

    std::atomic<int> Ready{0};
    TParvaneNetwork* Engine = nullptr;

protected:
    void run() override
    {
        FLan.Enter(1);
        {
            TParvaneNetwork engine;
            engine.SetDiscrimination(kId);
            engine.SetVersion(2200);
            engine.SetFTPPortNo(0);
            const bool started = engine.ServiceStart();
            engine.SetHandleName(QStringLiteral("受信側"));
            if (started)
                engine.Login();
            Engine = &engine;
            Ready = started ? 1 : -1;
            if (started)
                exec();
            Engine = nullptr;
        }
        FLan.Leave();
    }

private:
    TestLan& FLan;
};

void RunOnReceiver(Receiver& r, const std::function<void(TParvaneNetwork&)>& f)
{
    QMetaObject::invokeMethod(
        r.Engine, [&r, &f] { f(*r.Engine); }, Qt::BlockingQueuedConnection);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

struct Case {
    const char* Name;
    QString Text;
    bool Scrambled;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    TestLan lan(2);
    if (!lan.IsReady()) {
        std::fprintf(stderr, "message_bench: the test LAN cannot be made: %s\n", qPrintable(lan.Error()));
        return 1;
    }
    Receiver receiver(lan);
    receiver.start();
    while (receiver.Ready == 0)
        QThread::msleep(1);
    if (receiver.Ready != 1) {
        std::fprintf(stderr, "message_bench: the receiving engine does not start\n");
        receiver.wait();
        return 1;
    }

    lan.Enter(0);
    int result = 0;
    {
        TParvaneNetwork engine;
        engine.SetDiscrimination(kId);
        engine.SetVersion(2200);
        engine.SetFTPPortNo(0);
        const bool started = engine.ServiceStart();
        engine.SetHandleName(QStringLiteral("送信側"));
        if (!started || !engine.Login() || !PumpUntil([&] { return engine.LoginCount() == 2; }, 5000)) {
            std::fprintf(stderr, "message_bench: the sending engine does not see the receiver\n");
            result = 1;
        } else {
            QString acknowledged;
            engine.OnMessageOk = [&](TParvaneNetwork*, const QString& id, const QString&, const QString&,
                                     const QString&) { acknowledged = id; };
            const QString longText = QStringLiteral("日本語の文章").repeated(171).left(1024);
            const std::vector<Case> cases = {
                {"short text, plain", QStringLiteral("こんにちは"), false},
                {"2048 bytes, plain", longText, false},
                {"2048 bytes, scrambled", longText, true},
            };
            std::printf("message to a second engine and back, %d rounds per case (%lld bytes long text)\n",
                        rounds, static_cast<long long>(AnsiCodePage::ByteLength(longText)));
            for (const Case& c : cases) {
                engine.SetSecurity(c.Scrambled);
                RunOnReceiver(receiver, [&c](TParvaneNetwork& e) { e.SetSecurity(c.Scrambled); });
                std::vector<double> ms;
                int lost = 0;
                for (int round = 0; round < rounds; ++round) {
                    QElapsedTimer t;
                    t.start();
                    const QString id = engine.MessageSend(c.Text, QStringLiteral("PVHOST2"), kId, false);
                    if (id.isEmpty() || !PumpUntil([&] { return acknowledged == id; }, 2000)) {
                        ++lost;
                        continue;
                    }
                    ms.push_back(t.nsecsElapsed() / 1e6);
                }
                std::sort(ms.begin(), ms.end());
                if (ms.empty()) {
                    std::printf("  %-22s all %d lost\n", c.Name, lost);
                    continue;
                }
                std::printf("  %-22s median %.3f ms, best %.3f ms, worst %.3f ms (%d lost)\n", c.Name,
                            ms[ms.size() / 2], ms.front(), ms.back(), lost);
            }
        }
    }
    lan.Leave();
    receiver.quit();
    receiver.wait();
    return result;
}
