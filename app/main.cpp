// The program's entry: the port options, the one-copy-per-port-pair guard, and the main window.
#include "CommandLine.h"
#include "EndSignals.h"
#include "InstanceLock.h"
#include "LogUnit.h"
#include "MainUnit.h"
#include "WindowsFonts.h"

#include <QApplication>
#include <QSessionManager>
#include <memory>

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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parvane 2"));
    WindowsFonts::InstallSubstitutes();
    // The tray icon keeps the program alive while the window is hidden to it.
    QApplication::setQuitOnLastWindowClosed(false);

    {
        TMainForm form;
        if (form.StartFailed())
            return 0;
        // The end of the session, a closed terminal or Ctrl+C close the program as
        // its own close does, without questions, so peers see it leave and the
        // settings and the log are kept.
        const EndSignals endSignals([&form](int) { form.SessionEnd(); });
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                         [&form](QSessionManager&) { form.SessionEnd(); });
        if (!form.StartHidden())
            form.show();
        app.exec();
    }
    // The last records reach the log, or the user hears that they could not.
    LogWriteWait();
    guard.Release();
    return 0;
}
