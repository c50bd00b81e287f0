#pragma once
// The sector panel (Frame4) and the binder panel (Frame5), the twin lookup
// tables, for code that builds or finds both.

#include "reference/binderpanel.h"
#include "reference/sectorpanel.h"
