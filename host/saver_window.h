#pragma once

#include <windows.h>

// The whole visible life of the saver in the Preview and Saver modes:
// registers the "OpenGL" window class, creates the window (full-screen pop-up
// in Saver mode, a child filling `parentWindow` in Preview mode), marks the
// screen saver as running (Saver mode), sets a double-buffered 16-bit RGBA
// pixel format and an OpenGL context, sets up the scene, shows the window with
// `showCommand`, and runs the message and frame loop until WM_QUIT. Returns at
// once when the set-up fails; three failures are shown in a message box.
void runSaverWindow(HWND parentWindow, int showCommand);
