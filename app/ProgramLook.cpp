#include "ProgramLook.h"

#include "ProjectImages.h"
#include "QtTranslation.h"
#include "TaskIcon.h"
#include "WindowsFonts.h"

#include <QApplication>

QIcon ProgramIcon()
{
    return ProjectImages::TaskIconImage(TaskIconOnline);
}

void ProgramLookInstall()
{
    QtTranslation::InstallJapanese();
    WindowsFonts::InstallSubstitutes();
    QApplication::setWindowIcon(ProgramIcon());
}
