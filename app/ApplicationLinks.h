#pragma once

#include "MainUnit.h"

// The program's windows and routines as the main window reaches them; each unit
// that exists binds its own here.
TMainFormLinks ApplicationLinks();
