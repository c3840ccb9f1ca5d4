#pragma once

#include <QString>

// The name the user logged in with, as the system reports it for the
// process's user; empty when it cannot be read or could not stand in a file name.
QString LoginUserName();
