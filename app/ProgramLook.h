#pragma once

#include <QIcon>

// How every window of the program looks, set once after the application object
// exists and before the first window: Qt's own texts in Japanese, the Windows
// fonts' stand-ins with the windows' font, and the program's icon, which each
// window (boxes and file dialogs included) shows in its title bar and task bar entry.
void ProgramLookInstall();

// The program's icon as every window carries it.
QIcon ProgramIcon();
