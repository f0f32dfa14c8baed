#pragma once

#include <windows.h>

// Which DPI awareness the process was given.
enum class DpiAwareness {
    Unchanged,     // the system has neither call (Windows 95 to XP), or refused
    System,        // SetProcessDPIAware: the primary display's scale (Vista on)
    PerMonitorV2,  // each display's own scale (Windows 10 version 1703 on)
};

// Asks to draw with the display's own pixels. A program that does not say it
// is DPI-aware is given scaled-down screen metrics on a scaled display
// (Windows 8.1 on; Vista and 7 from 150 %), and the compositor stretches its
// smaller picture to fit. Both calls are looked up in `user32` at run time,
// so Windows without them runs as before and the saver imports nothing new.
// Call before any window exists: a window keeps the awareness it was made with.
DpiAwareness askForDpiAwareness(HMODULE user32);

// The same with the process's USER32, as the saver's start-up asks it
// (through gPlatform.dpiAwareness) in the modes that make a window.
void askSystemForDpiAwareness();
