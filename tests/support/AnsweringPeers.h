#pragma once

// A full office in one host of the test LAN: many peers of the program, each with
// an address of its own on that host, that all answer every LOGIN they hear at
// once, as every copy on a LAN answers a colleague's log-in or refresh.
#include "TestLan.h"

#include <QString>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <thread>
#include <vector>

namespace TestSupport {

class AnsweringPeers {
public:
    // iCount peers in host iHost, answering the LOGINs that come from sAnswered. With
    // bProbe, each burst of answers is followed by a LOGIN from one more address, whose
    // answer tells that the copy that logged in has taken in everything sent before it.
    AnsweringPeers(TestLan& lan, int iHost, int iCount, const QString& sAnswered, bool bProbe = false);
    ~AnsweringPeers();
    AnsweringPeers(const AnsweringPeers&) = delete;
    AnsweringPeers& operator=(const AnsweringPeers&) = delete;

    // Gives the host the peers' addresses and starts answering; false when either fails.
    bool Start();
    void Stop();

    // Peer i's address (the probe's is iCount's), apart from every host's own.
    static QString PeerAddress(int i);
    // Peer i's computer name and handle name.
    static QString PeerMachine(int i);
    static QString PeerHandle(int i);

    // LOGINs answered so far.
    int Answered() const { return FAnswers; }
    // For each probe answered: milliseconds from the LOGIN heard to the probe's answer.
    std::vector<double> ProbeMs() const;

private:
    void Serve();
    bool Probe(double iHeardMs, const sockaddr_in& to);

    TestLan& FLan;
    const int FHost;
    const int FCount;
    const QString FAnswered;
    const bool FProbe;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<int> FAnswers{0};
    int FListen = -1;
    int FProbeSocket = -1;
    std::vector<int> FSenders;
    mutable std::mutex FLock;
    std::vector<double> FProbeMs;
};

} // namespace TestSupport
