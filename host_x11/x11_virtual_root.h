#pragma once

#include <X11/Xlib.h>

// The window that stands for the root of `screen`: a window named by the
// __SWM_VROOT property of one of the root's children, where a screen saver or
// a virtual desktop provides one, otherwise the real root window.
Window findVirtualRoot(Display* display, int screen);
