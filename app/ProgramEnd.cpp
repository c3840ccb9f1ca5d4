#include "ProgramEnd.h"

#include "MainUnit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

TProgramEnd::TProgramEnd(TMainForm& form) : FForm(form), FSignals([&form](int) { form.SessionEnd(); })
{
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { CommitData(); });
    // A quit from outside would close every window first, and the main window would
    // ask its close questions: it ends as the session does instead. What ends the
    // loops alone is closed once they have.
    qGuiApp->installEventFilter(this);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, [this] { FForm.QuitEnd(); });
}

void TProgramEnd::CommitData()
{
    FForm.SessionSave();
}

bool TProgramEnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qGuiApp && event->type() == QEvent::Quit && !FForm.Closing()) {
        FForm.SessionEnd();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
