#pragma once

// One copy of the program in a host of the test LAN, on an X server of its own
// in that host, driven from outside by X clients (xdotool, lanshots) that run in
// the same host: for the tests and benchmarks that watch whole programs talk.
#include "TestLan.h"
#include "XDisplayNumber.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

namespace TestSupport {

// Polls condition every iStepMs until it holds or iTimeoutMs have passed. A
// sleeping poll, not the event loop: each check of these callers starts a
// tool, and a tighter loop would load the machine the programs are measured on.
template <class F> bool PollFor(F&& condition, int iTimeoutMs, int iStepMs = 50)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QThread::msleep(static_cast<unsigned long>(iStepMs));
    }
    return true;
}

class ProgramCopy {
public:
    ProgramCopy(const TestLan& lan, int iHost) : FLan(lan), FHost(iHost) {}
    // Ends the program, then its X server.
    ~ProgramCopy();
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    // Starts an X server of sScreen (WIDTHxHEIGHTxDEPTH), puts a copy of the
    // program beside this settings file in a folder of its own (its lock and
    // log apart from every other copy's) and starts it; true once its main
    // window is shown.
    bool Start(const QByteArray& settings, const QString& sScreen = QStringLiteral("800x700x24"));
    // A client of this copy's screen (a tray host, a window manager), started by
    // Start before the program, once a window whose title matches sReadyPattern is
    // shown when one is given, and ended with the copy. Added before Start.
    void AddCompanion(const QString& sProgram, const QStringList& args, const QString& sReadyPattern = {});
    // A tray host (trayer) in the top right corner of the screen, as a companion.
    void AddTrayHost();

    // Runs an X client on this copy's screen; true when it ended with 0.
    bool Client(const QString& sProgram, const QStringList& args, QByteArray* output = nullptr) const;
    // Runs xdotool; its output, trimmed.
    QString Tool(const QStringList& args) const;
    // The first shown window whose title matches the pattern; empty when there is none.
    QString Find(const QString& sPattern) const;
    // The same window, made the one that takes the keys.
    QString Focus(const QString& sPattern) const;
    // A message box (its title is the program's, as the main window's), made the one that takes the keys.
    bool FocusBox() const;
    bool Keys(const QStringList& keys, int iDelayMs = 60) const;
    bool Type(const QString& sText, int iDelayMs = 80) const;
    // The whole screen, saved as an image file (by lanshots, built with the tests).
    bool Shot(const QString& sFile) const;

    // The program's own windows now shown, menus and boxes included.
    QStringList ShownWindows() const;

    QString FilePath(const QString& sName) const { return FDir.filePath(sName); }
    // ":N", for the clients a caller starts on this copy's screen.
    const QString& Display() const { return FDisplay; }
    bool Running() const { return FProgram.state() == QProcess::Running; }
    // The program has ended by itself within the time.
    bool WaitEnded(int iTimeoutMs)
    {
        return FProgram.state() == QProcess::NotRunning || FProgram.waitForFinished(iTimeoutMs);
    }
    qint64 ProcessId() const { return FProgram.processId(); }
    const QString& MainWindow() const { return FMainWindow; }

private:
    // One X server and the program on it; false, with both left to be ended, when either fails.
    bool StartOnce(const QString& sProgram, const QString& sScreen);
    bool StartCompanions();
    void EndAll();
    QProcessEnvironment Environment() const;

    const TestLan& FLan;
    int FHost;
    QTemporaryDir FDir;
    std::unique_ptr<XDisplayNumber> FNumber = std::make_unique<XDisplayNumber>();
    QProcess FServer;
    QProcess FProgram;
    struct TCompanion {
        QString sProgram;
        QStringList args;
        QString sReadyPattern;
        std::unique_ptr<QProcess> process;
    };
    std::vector<TCompanion> FCompanions;
    QString FDisplay;
    QString FMainWindow;
};

} // namespace TestSupport
