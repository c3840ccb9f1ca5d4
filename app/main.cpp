// The program's entry: the port options, the one-copy-per-port-pair guard, and the main window.
#include "CommandLine.h"
#include "DisplayPlatform.h"
#include "InstanceLock.h"
#include "LogUnit.h"
#include "MainUnit.h"
#include "ProgramEnd.h"
#include "ProgramLook.h"

#include <QApplication>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    // The guard comes before anything is read or shown, so arguments are taken raw here.
    QStringList slArguments;
    for (int i = 0; i < argc; ++i)
        slArguments.append(QString::fromLocal8Bit(argv[i]));
    const TCommandLinePorts ports = CommandLinePorts(slArguments);
    PortOverrideMsg = ports.iMsg;
    PortOverrideFile = ports.iFile;

    InstanceLock guard;
    if (guard.Acquire(InstanceGuardName(ports)) == InstanceLock::HeldElsewhere)
        return 0;

    // Asked for as an argument rather than in the environment, so that programs
    // started from here (the desktop's browser) choose for themselves.
    static char sPlatformOption[] = "-platform";
    QByteArray sPlatform = DisplayPlatformChoice(DisplayEnvironmentOfProcess(), slArguments);
    std::vector<char*> arguments(argv, argv + argc);
    if (!sPlatform.isEmpty()) {
        arguments.push_back(sPlatformOption);
        arguments.push_back(sPlatform.data());
    }
    int iArguments = int(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(iArguments, arguments.data());
    QApplication::setApplicationName(QStringLiteral("Parvane 2"));
    ProgramLookInstall();
    // The tray icon keeps the program alive while the window is hidden to it.
    QApplication::setQuitOnLastWindowClosed(false);

    {
        TMainForm form;
        if (form.StartFailed())
            return 0;
        const TProgramEnd end(form);
        if (!form.StartHidden())
            form.show();
        app.exec();
    }
    // The last records reach the log, or the user hears that they could not.
    LogWriteWait();
    guard.Release();
    return 0;
}
