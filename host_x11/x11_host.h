#pragma once

#include "x11_options.h"

// Runs the Linux host with its options read: draws the flame until a stop
// signal, a close, the loss of its window or of the display, or changes the
// user's XScreenSaver list. Returns the exit status.
int runX11Host(const X11Options& options);
