#pragma once

#include "saver_mode.h"

#include <windows.h>

class SaverState;

// The host's process-wide variables. One thread touches them, so no lock.

// Chosen from the command line before any window exists; never changed later.
extern SaverMode gSaverMode;
// The module instance handle, stored first of all by WinMain; the window class
// and the window belong to it.
extern HINSTANCE gInstance;
// The one SaverState, in place before any window exists: the window procedure
// reaches it only through this pointer, already during window creation.
extern SaverState* gSaverState;
// The saver window, as runSaverWindow created it.
extern HWND gSaverWindow;
