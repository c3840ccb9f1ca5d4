#include "ProgramEnd.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

TProgramEnd::TProgramEnd(TProgramEndTarget& program)
    : FProgram(program), FSignals([&program](int) { program.SessionEnd(); })
{
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { CommitData(); });
    // A quit from outside would close every window first, and the main window would
    // ask its close questions: it ends as the session does instead. What ends the
    // loops alone is closed once they have.
    qGuiApp->installEventFilter(this);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, [this] { FProgram.QuitEnd(); });
}

void TProgramEnd::CommitData()
{
    FProgram.SessionSave();
}

bool TProgramEnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qGuiApp && event->type() == QEvent::Quit && !FProgram.Closing()) {
        FProgram.SessionEnd();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
