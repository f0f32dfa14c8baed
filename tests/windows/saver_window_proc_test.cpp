// The close policy of the saver window, driven with real messages sent to a
// real window whose procedure is SaverWindowProc.
#include "host_test_support.h"

#include <cstdint>

namespace {

using SaverWindowProcTest = SaverWindowTest;

TEST_F(SaverWindowProcTest, RecordsWindowCursorAndTickOnCreate)
{
    ASSERT_TRUE(SetCursorPos(123, 234));
    gFakeTickCount = 0xFFFFFF00u;
    createSaverWindow();
    EXPECT_EQ(state.window, window);
    EXPECT_EQ(state.cursorOrigin.x, 123);
    EXPECT_EQ(state.cursorOrigin.y, 234);
    EXPECT_EQ(state.startTick, 0xFFFFFF00u);
    EXPECT_EQ(state.closeRequested, 0);
}

TEST_F(SaverWindowProcTest, PostsQuitWhenDestroyed)
{
    createSaverWindow();
    DestroyWindow(window);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

struct InputRow {
    const char* what;
    SaverMode mode;
    std::int32_t prompting;
    UINT message;
    WPARAM wParam;
    bool requestsClose;
};

class SaverInput : public SaverWindowTest, public testing::WithParamInterface<InputRow> {};

TEST_P(SaverInput, RequestsCloseOnlyForPressesAndLostActivationInSaverMode)
{
    const InputRow& row = GetParam();
    gSaverMode = row.mode;
    createSaverWindow();
    state.inPasswordPrompt = row.prompting;
    SendMessageA(window, row.message, row.wParam, 0);
    EXPECT_EQ(state.closeRequested, row.requestsClose ? 1 : 0) << row.what;
    EXPECT_EQ(takeCloseRequests(window), row.requestsClose ? 1 : 0) << row.what;
}

constexpr SaverMode kSaver = SaverMode::Saver;
constexpr SaverMode kPreview = SaverMode::Preview;

INSTANTIATE_TEST_SUITE_P(
    Messages, SaverInput,
    testing::Values(InputRow{"key down", kSaver, 0, WM_KEYDOWN, 'A', true},
                    InputRow{"left button", kSaver, 0, WM_LBUTTONDOWN, MK_LBUTTON, true},
                    InputRow{"right button", kSaver, 0, WM_RBUTTONDOWN, MK_RBUTTON, true},
                    InputRow{"middle button", kSaver, 0, WM_MBUTTONDOWN, MK_MBUTTON, true},
                    InputRow{"system key", kSaver, 0, WM_SYSKEYDOWN, 'A', false},
                    InputRow{"key up", kSaver, 0, WM_KEYUP, 'A', false},
                    InputRow{"button up", kSaver, 0, WM_LBUTTONUP, 0, false},
                    InputRow{"wheel", kSaver, 0, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), false},
                    InputRow{"inactive, high word set", kSaver, 0, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), true},
                    InputRow{"active", kSaver, 0, WM_ACTIVATE, WA_ACTIVE, false},
                    InputRow{"click-active", kSaver, 0, WM_ACTIVATE, WA_CLICKACTIVE, false},
                    InputRow{"app inactive, high word set", kSaver, 0, WM_ACTIVATEAPP, 0x00010000, true},
                    InputRow{"app active", kSaver, 0, WM_ACTIVATEAPP, TRUE, false},
                    InputRow{"non-client inactive, high word set", kSaver, 0, WM_NCACTIVATE, 0x00230000, true},
                    InputRow{"non-client active", kSaver, 0, WM_NCACTIVATE, TRUE, false},
                    InputRow{"key while prompting", kSaver, 1, WM_KEYDOWN, 'A', false},
                    InputRow{"button while prompting", kSaver, 1, WM_LBUTTONDOWN, MK_LBUTTON, false},
                    InputRow{"inactive while prompting", kSaver, 1, WM_ACTIVATE, WA_INACTIVE, false},
                    InputRow{"preview key", kPreview, 0, WM_KEYDOWN, 'A', false},
                    InputRow{"preview button", kPreview, 0, WM_RBUTTONDOWN, MK_RBUTTON, false},
                    InputRow{"preview inactive", kPreview, 0, WM_ACTIVATE, WA_INACTIVE, false},
                    InputRow{"preview app inactive", kPreview, 0, WM_ACTIVATEAPP, FALSE, false}));

TEST_F(SaverWindowProcTest, TwoRequestsPostTwoCloses)
{
    createSaverWindow();
    state.requestClose();
    state.requestClose();
    EXPECT_EQ(state.closeRequested, 1);
    EXPECT_EQ(takeCloseRequests(window), 2);
}

// Sent as the system sends it over the client area. (With hit-test code 0,
// as the prompt sends it, default processing puts the arrow back up.)
void setCursorOverClient(HWND window)
{
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

TEST_F(SaverWindowProcTest, HidesTheCursorOnlyInSaverModeWithoutPrompt)
{
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    createSaverWindow();
    setCursorOverClient(window);
    EXPECT_EQ(GetCursor(), nullptr);
    state.inPasswordPrompt = 1;
    setCursorOverClient(window);
    EXPECT_EQ(GetCursor(), arrow);
    state.inPasswordPrompt = 0;
    setCursorOverClient(window);
    EXPECT_EQ(GetCursor(), nullptr);
    gSaverMode = SaverMode::Preview;
    setCursorOverClient(window);
    EXPECT_EQ(GetCursor(), arrow);
}

TEST_F(SaverWindowProcTest, SwallowsExactlyScreenSaveAndCloseCommandsInSaverMode)
{
    createSaverWindow();
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    EXPECT_EQ(count(WM_CLOSE), 0);
    // With low bits set the command is another one, and default processing
    // turns a close into WM_CLOSE; that one is ignored, as no input asked.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);
    EXPECT_EQ(count(WM_CLOSE), 1);
    EXPECT_TRUE(IsWindow(window));

    gSaverMode = SaverMode::Preview;
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(state.closeRequested, 0);
}

TEST_F(SaverWindowProcTest, IgnoresCloseBeforeAnyRequestAndClosesThroughDefaultInPreview)
{
    createSaverWindow();
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    gSaverMode = SaverMode::Preview;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(SaverWindowProcTest, IgnoresCloseWhilePrompting)
{
    createSaverWindow();
    state.closeRequested = 1;
    state.inPasswordPrompt = 1;
    gFakeTickCount = state.startTick + 100000;
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(count(WM_SETCURSOR), 0);
}

struct CloseRow {
    std::uint32_t passwordDelay;
    std::uint32_t startTick;
    std::uint32_t now;
    bool asksForPassword;
};

class CloseCheck : public SaverWindowTest, public testing::WithParamInterface<CloseRow> {};

// On the NT platform the check itself lets the saver close, so both outcomes
// destroy the window; the prompt shows itself by its two cursor messages.
TEST_P(CloseCheck, AsksForPasswordOnceGracePeriodIsOver)
{
    const CloseRow& row = GetParam();
    state.passwordDelay = row.passwordDelay;
    gFakeTickCount = row.startTick;
    createSaverWindow();
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    gFakeTickCount = row.now;
    dispatchQueued();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(count(WM_SETCURSOR), row.asksForPassword ? 2 : 0);
    EXPECT_EQ(state.inPasswordPrompt, 0);
}

INSTANTIATE_TEST_SUITE_P(Elapsed, CloseCheck,
                         testing::Values(CloseRow{15, 1000, 1000, false}, CloseRow{15, 1000, 16000, false},
                                         CloseRow{15, 1000, 16001, true},
                                         CloseRow{15, 0xFFFFF000u, 0x00002000u, false},  // 12 s across the wrap
                                         CloseRow{15, 0xFFFFF000u, 0x00002A99u, true},   // 15.001 s across it
                                         CloseRow{0, 5000, 5000, false}, CloseRow{0, 5000, 5001, true},
                                         CloseRow{4294968, 0, 704, false},               // the limit wraps to 704 ms
                                         CloseRow{4294968, 0, 705, true}));

TEST_F(SaverWindowProcTest, PromptRunsWithTheFlagSetAndRenewsTheCursorOrigin)
{
    ASSERT_TRUE(SetCursorPos(100, 100));
    createSaverWindow();
    state.beginPasswordPrompt();
    ASSERT_EQ(count(WM_SETCURSOR), 1);
    EXPECT_EQ(seen.back().inPasswordPrompt, 1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));

    ASSERT_TRUE(SetCursorPos(400, 300));
    state.endPasswordPrompt();
    ASSERT_EQ(count(WM_SETCURSOR), 2);
    EXPECT_EQ(seen.back().inPasswordPrompt, 0);
    EXPECT_EQ(seen.back().wParam, 0u);
    EXPECT_EQ(state.cursorOrigin.x, 400);
    EXPECT_EQ(state.cursorOrigin.y, 300);
}

struct MoveRow {
    std::int32_t threshold;
    int dx, dy;
    bool requestsClose;
};

class CursorMovement : public SaverWindowTest, public testing::WithParamInterface<MoveRow> {};

TEST_P(CursorMovement, ClosesBeyondTheThresholdOnEitherAxis)
{
    const MoveRow& row = GetParam();
    state.mouseThreshold = row.threshold;
    ASSERT_TRUE(SetCursorPos(500, 400));
    createSaverWindow();
    ASSERT_TRUE(SetCursorPos(500 + row.dx, 400 + row.dy));
    // The position in lParam is not what counts: the cursor's is.
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(takeCloseRequests(window), row.requestsClose ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Moves, CursorMovement,
                         testing::Values(MoveRow{50, 50, 0, false}, MoveRow{50, 51, 0, true},
                                         MoveRow{50, -51, 0, true}, MoveRow{50, 0, 50, false},
                                         MoveRow{50, 0, -51, true}, MoveRow{50, 40, 40, false},
                                         MoveRow{50, 0, 0, false}, MoveRow{0, 1, 0, true},
                                         MoveRow{0, 0, 0, false}, MoveRow{-1, 0, 0, true},
                                         MoveRow{-1, 3, 0, true}));

TEST_F(SaverWindowProcTest, IgnoresMovementInPreviewAndWhilePrompting)
{
    state.mouseThreshold = -1;
    createSaverWindow();
    state.inPasswordPrompt = 1;
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    state.inPasswordPrompt = 0;
    gSaverMode = SaverMode::Preview;
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(takeCloseRequests(window), 0);
    EXPECT_EQ(state.closeRequested, 0);
}

// The cursor query made to fail on cue.
bool gCursorQueryFails = false;
BOOL WINAPI cursorPosUnlessFailing(LPPOINT point)
{
    return gCursorQueryFails ? FALSE : GetCursorPos(point);
}

TEST_F(SaverWindowProcTest, FailedCursorQueryNeverCountsAndOriginComesFromNextGoodOne)
{
    gPlatform.cursorPos = cursorPosUnlessFailing;
    gCursorQueryFails = true;
    state.mouseThreshold = -1;
    createSaverWindow();
    EXPECT_EQ(state.cursorOriginKnown, 0);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(takeCloseRequests(window), 0);

    state.mouseThreshold = 50;
    gCursorQueryFails = false;
    ASSERT_TRUE(SetCursorPos(700, 500));
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(takeCloseRequests(window), 0);
    EXPECT_EQ(state.cursorOrigin.x, 700);
    ASSERT_TRUE(SetCursorPos(751, 500));
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(takeCloseRequests(window), 1);
    gCursorQueryFails = false;
}

} // namespace
