#pragma once

#include <windows.h>

// The whole visible life of the saver in the Preview and Saver modes: its
// window (full screen, or a child filling `parentWindow`) with an OpenGL
// context, shown with `showCommand`, and the message and frame loop until the
// window is destroyed. Returns at once when the set-up fails; three failures
// are shown in a message box.
void runSaverWindow(HWND parentWindow, int showCommand);
