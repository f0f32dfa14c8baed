#pragma once

#include <windows.h>

// The platform queries whose answers depend on real time, on the real cursor
// or on the real system, and the request for DPI awareness, which no test can
// take back. The saver calls them only through these pointers, which start
// out as the platform functions themselves; tests put in a clock, a cursor or
// a version that a real machine cannot be made to give on cue, and watch the
// request.
struct PlatformQueries {
    DWORD(WINAPI* tickCount)();
    BOOL(WINAPI* cursorPos)(LPPOINT point);
    BOOL(WINAPI* versionInfo)(LPOSVERSIONINFOA info);
    BOOL(WINAPI* counterFrequency)(LARGE_INTEGER* frequency);
    void (*askForDpiAwareness)();
};

extern PlatformQueries gPlatform;

// The platform functions themselves, for tests that put them back.
extern const PlatformQueries kSystemPlatform;
