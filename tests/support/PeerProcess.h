#pragma once

// A pvnpeer child process in one host of the test LAN, driven line by line: a
// second copy of the engine with a computer name and addresses of its own.
#include "TestLan.h"

#include <QProcess>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>
#include <optional>

namespace TestSupport {

class PeerProcess {
public:
    // Starts pvnpeer in host i of the LAN.
    bool Start(const TestLan& lan, int i);
    // Starts pvnpeer in host i as a copy of this program ("Parvane2", version 2200),
    // starts its service and gives it the handle name.
    testing::AssertionResult StartCopy(const TestLan& lan, int i, const QString& handle);
    // StartCopy, then logs the copy in.
    testing::AssertionResult StartLoggedIn(const TestLan& lan, int i, const QString& handle);
    // The copy has ended, or ends within the time. Qt's wait says false for a
    // process that has already finished, which a quick copy often has.
    bool WaitEnded(int iTimeoutMs);
    ~PeerProcess();

    static QString Escape(const QString& text);
    static QString Unescape(const QString& field);

    // Sends one command (fields escaped here) and returns its answer's fields;
    // event lines that come first are kept for WaitEvent.
    QStringList Command(const QStringList& fields, int timeoutMs = 15000);
    // Sends "call OPERATION ARGS..." and returns at once: the caller's event loop keeps
    // turning while the copy works. Its answer is passed over; events are kept.
    void CallLater(const QString& operation, const QStringList& args = {});
    // The answer of "call OPERATION ARGS..." after "result", or "?" when it was something else.
    QString Call(const QString& operation, const QStringList& args = {});
    QString Get(const QString& name);
    bool Set(const QString& name, const QString& value);

    // The next event of that name (its parameters), waiting up to the time.
    std::optional<QStringList> WaitEvent(const QString& name, int timeoutMs = 15000);
    // The events of that name kept so far, with what has arrived taken in; never
    // waits, so a caller's event loop keeps turning between two looks.
    int EventsSoFar(const QString& name);
    // Every event of that name that arrives within the time.
    int CountEvents(const QString& name, int quietMs = 300);
    void ForgetEvents();
    QProcess& Process() { return FProcess; }

private:
    void Write(const QStringList& fields);
    std::optional<QStringList> NextLine(int waitMs);

    QProcess FProcess;
    std::deque<QStringList> FEvents;
};

} // namespace TestSupport
