#include "saver_window_proc.h"

#include "platform_queries.h"
#include "saver_globals.h"
#include "saver_password.h"
#include "saver_state.h"

#include <cstdint>

namespace {

// Whether the cursor has gone further than mouseThreshold from the origin on
// either axis (each strictly greater, the distance is never formed). A failed
// query never counts as movement; an origin that could not be read is taken
// from this query, and then compared like any other.
bool cursorLeftOrigin(SaverState& state)
{
    POINT position;
    if (!gPlatform.cursorPos(&position)) {
        return false;
    }
    if (state.cursorOriginKnown == 0) {
        state.cursorOrigin = position;
        state.cursorOriginKnown = 1;
    }
    // 64-bit differences, so that no pair of positions can overflow.
    std::int64_t dx = std::int64_t{position.x} - state.cursorOrigin.x;
    std::int64_t dy = std::int64_t{position.y} - state.cursorOrigin.y;
    dx = dx < 0 ? -dx : dx;
    dy = dy < 0 ? -dy : dy;
    return dx > state.mouseThreshold || dy > state.mouseThreshold;
}

// WM_CLOSE in Saver mode. Ignored until input has requested a close, and
// while the password prompt is open (the provider's dialog re-enters here).
void runCloseCheck(SaverState& state, HWND window)
{
    if (state.closeRequested == 0 || state.inPasswordPrompt != 0) {
        return;
    }
    // Both modulo 2^32: the difference stays right across the tick count's
    // wrap, and a huge delay wraps as the unchecked setting does.
    const std::uint32_t elapsed = gPlatform.tickCount() - state.startTick;
    const std::uint32_t limit = state.passwordDelay * 1000u;
    if (elapsed <= limit) {
        DestroyWindow(window);
        return;
    }
    state.beginPasswordPrompt();
    const int verified = verifySaverPassword(window);
    state.endPasswordPrompt();
    if (verified != 0) {
        DestroyWindow(window);
    }
}

} // namespace

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SaverState* const state = gSaverState;
    if (state == nullptr) {
        // Only after WinMain has released the state: nothing is left to act on.
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const bool saverMode = gSaverMode == SaverMode::Saver;
    // Input may request a close only in Saver mode with no prompt open.
    const bool watchingInput = saverMode && state->inPasswordPrompt == 0;

    switch (message) {
    case WM_CREATE:
        state->window = window;
        state->recordCursorOrigin();
        state->startTick = gPlatform.tickCount();
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        // The low word alone says that activation was lost (WA_INACTIVE or
        // FALSE); the high word carries other things and plays no part.
        if (watchingInput && (wParam & 0xFFFF) == 0) {
            state->requestClose();
        }
        break;
    case WM_CLOSE:
        if (saverMode) {
            runCloseCheck(*state, window);
            return 0;
        }
        break;
    case WM_SETCURSOR:
        SetCursor(watchingInput ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
        break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (watchingInput) {
            state->requestClose();
        }
        break;
    case WM_SYSCOMMAND:
        // Compared whole: a command with any of its low four bits set is not
        // one of these two and gets default processing.
        if (saverMode && (wParam == SC_SCREENSAVE || wParam == SC_CLOSE)) {
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (watchingInput && cursorLeftOrigin(*state)) {
            state->requestClose();
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
