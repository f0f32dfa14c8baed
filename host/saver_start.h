#pragma once

#include <windows.h>

#include <cstdint>

// Turns a window handle read from the command line, a 32-bit value, into an
// HWND the way 64-bit Windows widens 32-bit handle values: sign extension.
// On 32-bit Windows the bits are the same either way.
HWND windowFromCommandLine(std::uint32_t value);

// Everything WinMain does after storing the instance handle: reads the mode
// from `commandLine`, creates the SaverState and loads its settings, runs the
// mode, releases the state. Returns 0, the exit code on every path.
int startSaver(const char* commandLine, int showCommand);
