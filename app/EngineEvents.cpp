// The signals' code is generated from the header.
#include "EngineEvents.h"
