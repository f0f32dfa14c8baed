#pragma once

#include <windows.h>

// The saver window's procedure. It records the window, the cursor and the
// start tick on WM_CREATE, posts WM_QUIT on WM_DESTROY, and in Saver mode
// hides the cursor, turns key presses, mouse buttons, movement beyond the
// threshold and deactivation into a close request, and on WM_CLOSE closes at
// once within the grace period or after the password check once it is over.
// In Preview mode it shows the arrow and leaves the rest to DefWindowProcA.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
