#pragma once

// A pvnpeer child process in one host of the test LAN, driven line by line.
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>

namespace EngineTest {

class PeerProcess {
public:
    // Starts pvnpeer in host i of the LAN.
    bool Start(const TestLan& lan, int i)
    {
        lan.PlaceProcess(FProcess, i);
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.start(QStringLiteral(PVNPEER_PATH), QStringList());
        return FProcess.waitForStarted(5000);
    }
    // The copy has ended, or ends within the time. Qt's wait says false for a
    // process that has already finished, which a quick copy often has.
    bool WaitEnded(int iTimeoutMs)
    {
        return FProcess.state() == QProcess::NotRunning || FProcess.waitForFinished(iTimeoutMs);
    }
    ~PeerProcess()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.write("quit\n");
            FProcess.closeWriteChannel();
            if (!FProcess.waitForFinished(3000))
                FProcess.kill();
            FProcess.waitForFinished(1000);
        }
    }

    static QString Escape(const QString& text)
    {
        QString out;
        for (QChar c : text) {
            if (c == u'\\')
                out += QStringLiteral("\\\\");
            else if (c == u'\t')
                out += QStringLiteral("\\t");
            else if (c == u'\n')
                out += QStringLiteral("\\n");
            else if (c == u'\r')
                out += QStringLiteral("\\r");
            else
                out += c;
        }
        return out;
    }
    static QString Unescape(const QString& field)
    {
        QString out;
        for (qsizetype i = 0; i < field.size(); ++i) {
            if (field[i] != u'\\' || i + 1 == field.size()) {
                out += field[i];
                continue;
            }
            const QChar n = field[++i];
            out += n == u't' ? QChar(u'\t') : n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
        }
        return out;
    }

    // Sends one command (fields escaped here) and returns its answer's fields;
    // event lines that come first are kept for WaitEvent.
    QStringList Command(const QStringList& fields, int timeoutMs = 5000)
    {
        QStringList escaped;
        for (const QString& f : fields)
            escaped.append(Escape(f));
        FProcess.write((escaped.join(u'\t') + u'\n').toUtf8());
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (auto line = NextLine(50)) {
                if (line->value(0) == QStringLiteral("event"))
                    FEvents.push_back(line->mid(1));
                else
                    return *line;
            }
        }
        return {QStringLiteral("timeout")};
    }
    // The answer of "call OPERATION ARGS..." after "result", or "?" when it was something else.
    QString Call(const QString& operation, const QStringList& args = {})
    {
        const QStringList answer = Command(QStringList{QStringLiteral("call"), operation} + args);
        return answer.value(0) == QStringLiteral("result") ? answer.value(1) : QStringLiteral("?");
    }
    QString Get(const QString& name)
    {
        const QStringList answer = Command({QStringLiteral("get"), name});
        return answer.value(0) == QStringLiteral("value") ? answer.value(1) : QStringLiteral("?");
    }
    bool Set(const QString& name, const QString& value)
    {
        return Command({QStringLiteral("set"), name, value}) == QStringList{QStringLiteral("ok")};
    }

    // The next event of that name (its parameters), waiting up to the time.
    std::optional<QStringList> WaitEvent(const QString& name, int timeoutMs = 3000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            for (auto it = FEvents.begin(); it != FEvents.end(); ++it) {
                if (it->value(0) == name) {
                    QStringList params = it->mid(1);
                    FEvents.erase(it);
                    return params;
                }
            }
            if (t.elapsed() > timeoutMs)
                return std::nullopt;
            if (auto line = NextLine(50)) {
                if (line->value(0) == QStringLiteral("event"))
                    FEvents.push_back(line->mid(1));
            }
        }
    }
    // Every event of that name that arrives within the time.
    int CountEvents(const QString& name, int quietMs = 300)
    {
        int n = 0;
        while (WaitEvent(name, quietMs))
            ++n;
        return n;
    }
    void ForgetEvents()
    {
        while (NextLine(100)) {
        }
        FEvents.clear();
    }
    QProcess& Process() { return FProcess; }

private:
    std::optional<QStringList> NextLine(int waitMs)
    {
        if (!FProcess.canReadLine()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            FProcess.waitForReadyRead(waitMs);
        }
        if (!FProcess.canReadLine())
            return std::nullopt;
        QString line = QString::fromUtf8(FProcess.readLine());
        if (line.endsWith(u'\n'))
            line.chop(1);
        QStringList fields;
        for (const QString& f : line.split(u'\t'))
            fields.append(Unescape(f));
        return fields;
    }

    QProcess FProcess;
    std::deque<QStringList> FEvents;
};

} // namespace EngineTest
