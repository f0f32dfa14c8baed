#pragma once

#include "immediate_mode.h"

// The process's layer: the GL and GLU functions that the scene calls, defined
// in gl_entry_points.cpp, all act on it. A GL function that the scene calls
// and the layer does not define leaves the program unlinkable.
extern ImmediateMode gImmediateMode;
