#include "ProgramCopy.h"

#include "ProcessEnd.h"

#include <QFile>

namespace TestSupport {

namespace {

// A server compiling its keymap and a program laying out its first window can each take
// many seconds while a parallel test run loads every core; a start that succeeds returns
// as soon as it has.
constexpr int kStartWaitMs = 40000;
// A start that fails all the same (a server that gives up while many start at once) is
// made again, on a new server.
constexpr int kStartTries = 3;

} // namespace

ProgramCopy::~ProgramCopy()
{
    EndAll();
}

void ProgramCopy::EndAll()
{
    ProcessEnd(FProgram);
    for (TCompanion& companion : FCompanions) {
        if (companion.process)
            ProcessEnd(*companion.process);
        companion.process.reset();
    }
    ProcessEnd(FServer);
}

void ProgramCopy::AddCompanion(const QString& sProgram, const QStringList& args, const QString& sReadyPattern)
{
    FCompanions.push_back({sProgram, args, sReadyPattern, nullptr});
}

void ProgramCopy::AddTrayHost()
{
    AddCompanion(QStringLiteral("trayer"),
                 {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                  QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                  QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
                  QStringLiteral("true"), QStringLiteral("--tint"), QStringLiteral("0xd0d0d0"),
                  QStringLiteral("--transparent"), QStringLiteral("true"), QStringLiteral("--alpha"),
                  QStringLiteral("0")},
                 QStringLiteral("^panel$"));
}

bool ProgramCopy::StartCompanions()
{
    for (TCompanion& companion : FCompanions) {
        companion.process = std::make_unique<QProcess>();
        companion.process->setProcessEnvironment(Environment());
        companion.process->setProcessChannelMode(QProcess::ForwardedChannels);
        FLan.PlaceProcess(*companion.process, FHost);
        companion.process->start(companion.sProgram, companion.args);
        if (!companion.process->waitForStarted(10000)) {
            qWarning("program copy: %s could not be started", qPrintable(companion.sProgram));
            return false;
        }
        if (!companion.sReadyPattern.isEmpty() &&
            !PollFor([&] { return !Find(companion.sReadyPattern).isEmpty(); }, kStartWaitMs)) {
            qWarning("program copy: %s showed no window on %s", qPrintable(companion.sProgram),
                     qPrintable(FDisplay));
            return false;
        }
    }
    return true;
}

QStringList ProgramCopy::ShownWindows() const
{
    if (FProgram.state() != QProcess::Running)
        return {};
    return Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(FProgram.processId())})
        .split(u'\n', Qt::SkipEmptyParts);
}

bool ProgramCopy::Start(const QByteArray& settings, const QString& sScreen)
{
    if (!FDir.isValid())
        return false;
    const QString sProgram = FDir.filePath(QStringLiteral("parvane2"));
    if (!QFile::copy(QStringLiteral(PARVANE2_PATH), sProgram))
        return false;
    for (int i = 0; i < kStartTries; ++i) {
        // Each try starts from the settings given, whatever a failed one wrote.
        QFile file(FDir.filePath(QStringLiteral("Parvane2.INI")));
        if (!file.open(QIODevice::WriteOnly) || file.write(settings) != settings.size())
            return false;
        file.close();
        if (StartOnce(sProgram, sScreen))
            return true;
        EndAll();
        FNumber = std::make_unique<XDisplayNumber>();
    }
    return false;
}

bool ProgramCopy::StartOnce(const QString& sProgram, const QString& sScreen)
{
    // The X server is in the host too, so that its clients there reach it by any socket.
    FLan.PlaceProcess(FServer, FHost);
    if (!FNumber->IsValid())
        return false;
    FDisplay = FNumber->Display();
    // An X server starts afresh when its last client leaves: the probe below is a client,
    // and a program connecting while the server resets lost its connection at once.
    FServer.start(QStringLiteral("Xvfb"),
                  {FDisplay, QStringLiteral("-screen"), QStringLiteral("0"), sScreen,
                   QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!FServer.waitForStarted(5000))
        return false;
    // The program starts only once the server answers, so that it never meets a server still
    // setting up or one that has given up.
    if (!PollFor(
            [&] {
                return FServer.state() != QProcess::Running ||
                       !Tool({QStringLiteral("getdisplaygeometry")}).isEmpty();
            },
            kStartWaitMs) ||
        FServer.state() != QProcess::Running) {
        qWarning("program copy: the X server on %s did not answer (%s)", qPrintable(FDisplay),
                 FServer.state() == QProcess::Running ? "still running" : "ended");
        return false;
    }

    if (!StartCompanions())
        return false;
    FProgram.setProcessEnvironment(Environment());
    FProgram.setProcessChannelMode(QProcess::ForwardedChannels);
    FLan.PlaceProcess(FProgram, FHost);
    FProgram.start(sProgram, {});
    if (!FProgram.waitForStarted(10000))
        return false;
    if (PollFor(
            [&] {
                FMainWindow = Find(QStringLiteral("^Parvane 2$"));
                return !FMainWindow.isEmpty();
            },
            kStartWaitMs))
        return true;
    // What the window list held instead, for the failure to say.
    qWarning("program copy: no main window on %s (program %s); windows named there: %s", qPrintable(FDisplay),
             FProgram.state() == QProcess::Running ? "running" : "ended",
             Tool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("."),
                   QStringLiteral("getwindowname"), QStringLiteral("%@")})
                 .toUtf8()
                 .constData());
    return false;
}

QProcessEnvironment ProgramCopy::Environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), FDisplay);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), FDir.path());
    return environment;
}

bool ProgramCopy::Client(const QString& sProgram, const QStringList& args, QByteArray* output) const
{
    QProcess process;
    process.setProcessEnvironment(Environment());
    FLan.PlaceProcess(process, FHost);
    process.start(sProgram, args);
    if (!process.waitForFinished(20000))
        return false;
    if (output != nullptr)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString ProgramCopy::Tool(const QStringList& args) const
{
    QByteArray output;
    Client(QStringLiteral("xdotool"), args, &output);
    return QString::fromUtf8(output).trimmed();
}

QString ProgramCopy::Find(const QString& sPattern) const
{
    return Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 sPattern})
        .section(u'\n', 0, 0);
}

QString ProgramCopy::Focus(const QString& sPattern) const
{
    const QString sWindow = Find(sPattern);
    if (!sWindow.isEmpty())
        Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), sWindow});
    return sWindow;
}

bool ProgramCopy::FocusBox() const
{
    const QStringList windows = Tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                      QStringLiteral("--name"), QStringLiteral("^Parvane 2$")})
                                    .split(u'\n', Qt::SkipEmptyParts);
    for (const QString& sWindow : windows) {
        if (sWindow != FMainWindow) {
            Tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), sWindow});
            return true;
        }
    }
    return false;
}

bool ProgramCopy::Keys(const QStringList& keys, int iDelayMs) const
{
    return Client(QStringLiteral("xdotool"),
                  QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(iDelayMs)} +
                      keys);
}

bool ProgramCopy::Type(const QString& sText, int iDelayMs) const
{
    return Client(QStringLiteral("xdotool"),
                  {QStringLiteral("type"), QStringLiteral("--delay"), QString::number(iDelayMs), sText});
}

bool ProgramCopy::Shot(const QString& sFile) const
{
    return Client(QStringLiteral(LANSHOTS_PATH), {QStringLiteral("grab"), sFile});
}

} // namespace TestSupport
