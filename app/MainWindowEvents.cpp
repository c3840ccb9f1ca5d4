// The signals' code is generated from the header.
#include "MainWindowEvents.h"
