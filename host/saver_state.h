#pragma once

#include <windows.h>

#include <cstdint>

// Everything the host keeps about one run: the saver window, the two registry
// settings, where mouse movement is measured from, when the window was made,
// and the two flags of the close policy. WinMain owns the one instance.
class SaverState {
public:
    // Sets `window` to none and `closeRequested` to 0; loadSettings and the
    // window's WM_CREATE set the rest before anything reads it.
    SaverState();

    // Defaults first (15 s, 50 px, not prompting), then the values from
    // HKCU\Software\Microsoft\Windows\CurrentVersion\Screen Savers where the
    // key opens and a value's data fits into four bytes.
    void loadSettings();

    // Marks the close as requested and posts WM_CLOSE to the window; the
    // message loop hands it to the close check later.
    void requestClose();

    // Opens the prompt, then sends WM_SETCURSOR so that the arrow shows.
    void beginPasswordPrompt();

    // Closes the prompt, sends WM_SETCURSOR (the cursor hides again in Saver
    // mode), and last takes the cursor position as the new origin, so that
    // movement made while the prompt was up does not count.
    void endPasswordPrompt();

    // Takes the current cursor position as `cursorOrigin`. When the query
    // fails, the origin is marked unknown and the movement test takes it from
    // its next successful query instead of comparing against stale values.
    void recordCursorOrigin();

    HWND window;
    std::uint32_t passwordDelay;   // seconds after WM_CREATE without a password
    std::int32_t mouseThreshold;   // pixels per axis; negative closes on any move
    POINT cursorOrigin;            // screen coordinates
    std::uint32_t startTick;       // GetTickCount at WM_CREATE, milliseconds
    std::int32_t inPasswordPrompt; // 0 or 1
    std::int32_t closeRequested;   // 0 or 1; never returns to 0
    std::int32_t cursorOriginKnown; // 0 or 1: whether cursorOrigin was read
};
