#include "ProgramEnd.h"

#include "MainUnit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

TProgramEnd::TProgramEnd(TMainForm& form) : FForm(form), FSignals([&form](int) { form.SessionEnd(); })
{
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { CommitData(); });
    // A quit closes every window first: the main window must not ask its close
    // questions then. What quits by ending the loops alone is closed once they have.
    qGuiApp->installEventFilter(this);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, [this] { FForm.QuitEnd(); });
}

void TProgramEnd::CommitData()
{
    FForm.SessionSave();
}

bool TProgramEnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qGuiApp && event->type() == QEvent::Quit)
        FForm.QuitEnd();
    return QObject::eventFilter(watched, event);
}
