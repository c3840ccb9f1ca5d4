#include "PeerProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>

namespace TestSupport {

bool PeerProcess::Start(const TestLan& lan, int i)
{
    lan.PlaceProcess(FProcess, i);
    FProcess.setProcessChannelMode(QProcess::SeparateChannels);
    FProcess.start(QStringLiteral(PVNPEER_PATH), QStringList());
    return FProcess.waitForStarted(5000);
}

testing::AssertionResult PeerProcess::StartCopy(const TestLan& lan, int i, const QString& handle)
{
    if (!Start(lan, i))
        return testing::AssertionFailure() << "pvnpeer did not start in host " << i;
    if (!Set(QStringLiteral("Discrimination"), QStringLiteral("Parvane2")) ||
        !Set(QStringLiteral("Version"), QStringLiteral("2200")))
        return testing::AssertionFailure() << "pvnpeer took no identity";
    if (Call(QStringLiteral("ServiceStart")) != QStringLiteral("1"))
        return testing::AssertionFailure() << "the service of pvnpeer did not start";
    if (!Set(QStringLiteral("HandleName"), handle))
        return testing::AssertionFailure() << "pvnpeer took no handle name";
    return testing::AssertionSuccess();
}

testing::AssertionResult PeerProcess::StartLoggedIn(const TestLan& lan, int i, const QString& handle)
{
    testing::AssertionResult started = StartCopy(lan, i, handle);
    if (!started)
        return started;
    if (Call(QStringLiteral("Login")) != QStringLiteral("1"))
        return testing::AssertionFailure() << "pvnpeer did not log in";
    return testing::AssertionSuccess();
}

bool PeerProcess::WaitEnded(int iTimeoutMs)
{
    return FProcess.state() == QProcess::NotRunning || FProcess.waitForFinished(iTimeoutMs);
}

PeerProcess::~PeerProcess()
{
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.write("quit\n");
        FProcess.closeWriteChannel();
        if (!FProcess.waitForFinished(3000))
            FProcess.kill();
        FProcess.waitForFinished(1000);
    }
}

QString PeerProcess::Escape(const QString& text)
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

QString PeerProcess::Unescape(const QString& field)
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

void PeerProcess::Write(const QStringList& fields)
{
    QStringList escaped;
    for (const QString& f : fields)
        escaped.append(Escape(f));
    FProcess.write((escaped.join(u'\t') + u'\n').toUtf8());
}

void PeerProcess::CallLater(const QString& operation, const QStringList& args)
{
    Write(QStringList{QStringLiteral("call"), operation} + args);
}

QStringList PeerProcess::Command(const QStringList& fields, int timeoutMs)
{
    Write(fields);
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

QString PeerProcess::Call(const QString& operation, const QStringList& args)
{
    const QStringList answer = Command(QStringList{QStringLiteral("call"), operation} + args);
    return answer.value(0) == QStringLiteral("result") ? answer.value(1) : QStringLiteral("?");
}

QString PeerProcess::Get(const QString& name)
{
    const QStringList answer = Command({QStringLiteral("get"), name});
    return answer.value(0) == QStringLiteral("value") ? answer.value(1) : QStringLiteral("?");
}

bool PeerProcess::Set(const QString& name, const QString& value)
{
    return Command({QStringLiteral("set"), name, value}) == QStringList{QStringLiteral("ok")};
}

std::optional<QStringList> PeerProcess::WaitEvent(const QString& name, int timeoutMs)
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

int PeerProcess::CountEvents(const QString& name, int quietMs)
{
    int n = 0;
    while (WaitEvent(name, quietMs))
        ++n;
    return n;
}

int PeerProcess::EventsSoFar(const QString& name)
{
    while (FProcess.canReadLine())
        if (auto line = NextLine(0); line && line->value(0) == QStringLiteral("event"))
            FEvents.push_back(line->mid(1));
    return int(std::count_if(FEvents.begin(), FEvents.end(),
                             [&](const QStringList& event) { return event.value(0) == name; }));
}

void PeerProcess::ForgetEvents()
{
    while (NextLine(100)) {
    }
    FEvents.clear();
}

std::optional<QStringList> PeerProcess::NextLine(int waitMs)
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

} // namespace TestSupport
