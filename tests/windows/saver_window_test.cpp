// Whole runs of runSaverWindow under Wine with Mesa's OpenGL: the window, the
// context, the frame loop and the teardown, driven from inside the loop by a
// thread timer.
#include "saver_window.h"

#include "host_test_support.h"
#include "random_source.h"
#include "saver_start.h"

#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

BOOL saverRunningMark()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running;
}

void setSaverRunningMark(BOOL running)
{
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
}

struct Viewport {
    GLint x, y, width, height;
};

Viewport currentViewport()
{
    Viewport v{};
    glGetIntegerv(GL_VIEWPORT, &v.x);
    return v;
}

class SaverRun : public testing::Test {
protected:
    void SetUp() override
    {
        gInstance = GetModuleHandleA(nullptr);
        gPlatform = kSystemPlatform;
        gSaverWindow = nullptr;
        state.loadSettings();
        gSaverState = &state;
        setSaverRunningMark(FALSE);
    }
    void TearDown() override
    {
        if (parent != nullptr && IsWindow(parent)) {
            DestroyWindow(parent);
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA("OpenGL", gInstance);
        gSaverState = nullptr;
        gSaverWindow = nullptr;
        gPlatform = kSystemPlatform;
        gSaverMode = SaverMode::None;
    }
    // A top-level window for the preview to fill, at (200, 300), 152x112.
    HWND createPreviewParent(int width = 152, int height = 112)
    {
        parent = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 200, 300, width, height, nullptr,
                                 nullptr, gInstance, nullptr);
        EXPECT_NE(parent, nullptr);
        return parent;
    }

    SaverState state;
    HWND parent = nullptr;
};

TEST_F(SaverRun, SaverModeFillsThePrimaryScreenAndEndsOnAKeyPress)
{
    gSaverMode = SaverMode::Saver;
    HWND shown = nullptr;
    std::uint64_t drawsAtFirstLook = 0;
    LoopScript script({[&] {
                           shown = gSaverWindow;
                           ASSERT_NE(shown, nullptr);
                           EXPECT_EQ(state.window, shown);
                           char name[32] = "";
                           GetClassNameA(shown, name, sizeof name);
                           EXPECT_STREQ(name, "OpenGL");
                           GetWindowTextA(shown, name, sizeof name);
                           EXPECT_STREQ(name, "SaverWindow");
                           EXPECT_EQ(GetClassLongPtrA(shown, GCL_STYLE), CS_OWNDC | CS_HREDRAW | CS_VREDRAW);
                           EXPECT_EQ(GetClassLongPtrA(shown, GCLP_HCURSOR), 0);
                           const LONG_PTR style = GetWindowLongPtrA(shown, GWL_STYLE);
                           EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE | WS_CHILD), WS_POPUP | WS_VISIBLE);
                           EXPECT_EQ(style & 0xFFFF, 0) << "no class-specific style bits";
                           EXPECT_EQ(GetAncestor(shown, GA_PARENT), GetDesktopWindow());
                           RECT rect;
                           GetWindowRect(shown, &rect);
                           EXPECT_EQ(rect.left, 0);
                           EXPECT_EQ(rect.top, 0);
                           EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
                           EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
                           EXPECT_TRUE(saverRunningMark());

                           ASSERT_NE(wglGetCurrentContext(), nullptr);
                           const Viewport v = currentViewport();
                           EXPECT_EQ(v.width, GetSystemMetrics(SM_CXSCREEN));
                           EXPECT_EQ(v.height, GetSystemMetrics(SM_CYSCREEN));
                           const HDC dc = wglGetCurrentDC();
                           PIXELFORMATDESCRIPTOR format{};
                           DescribePixelFormat(dc, GetPixelFormat(dc), sizeof format, &format);
                           EXPECT_TRUE(format.dwFlags & PFD_DOUBLEBUFFER);
                           EXPECT_TRUE(format.dwFlags & PFD_SUPPORT_OPENGL);
                           EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
                           drawsAtFirstLook = gRandomSource.draws();
                       },
                       [&] {
                           // Frames go on between the script's steps.
                           if (gRandomSource.draws() == drawsAtFirstLook) {
                               LoopScript::again();
                               return;
                           }
                           PostMessageA(gSaverWindow, WM_KEYDOWN, 'A', 0);
                       }});
    runSaverWindow(nullptr, SW_SHOW);
    EXPECT_EQ(script.stepsRun(), 2u);
    EXPECT_EQ(state.closeRequested, 1);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_FALSE(saverRunningMark());
}

TEST_F(SaverRun, PreviewFillsItsParentIgnoresInputAndEndsWithIt)
{
    gSaverMode = SaverMode::Preview;
    createPreviewParent();
    LoopScript script({[&] {
                           ASSERT_NE(gSaverWindow, nullptr);
                           EXPECT_EQ(GetParent(gSaverWindow), parent);
                           const LONG_PTR style = GetWindowLongPtrA(gSaverWindow, GWL_STYLE);
                           EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE | WS_CHILD), WS_CHILD | WS_VISIBLE);
                           RECT rect;
                           GetWindowRect(gSaverWindow, &rect);
                           EXPECT_EQ(rect.left, 200);
                           EXPECT_EQ(rect.top, 300);
                           EXPECT_EQ(rect.right - rect.left, 152);
                           EXPECT_EQ(rect.bottom - rect.top, 112);
                           const Viewport v = currentViewport();
                           EXPECT_EQ(v.width, 152);
                           EXPECT_EQ(v.height, 112);
                           EXPECT_FALSE(saverRunningMark());
                           SendMessageA(gSaverWindow, WM_KEYDOWN, 'A', 0);
                           SendMessageA(gSaverWindow, WM_ACTIVATE, WA_INACTIVE, 0);
                       },
                       [&] {
                           EXPECT_TRUE(IsWindow(gSaverWindow));
                           EXPECT_EQ(state.closeRequested, 0);
                           DestroyWindow(parent);
                       }});
    runSaverWindow(parent, SW_SHOW);
    EXPECT_EQ(script.stepsRun(), 2u);
    EXPECT_FALSE(saverRunningMark());
}

TEST_F(SaverRun, PreviewTakesItsParentFromTheCommandLine)
{
    createPreviewParent();
    char line[64];
    std::snprintf(line, sizeof line, "cindral.scr /p %lu",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(parent) & 0xFFFFFFFFu));
    HWND child = nullptr;
    LoopScript script({[&] {
        child = gSaverWindow;
        EXPECT_EQ(GetParent(child), parent);
        DestroyWindow(parent);
    }});
    gSaverState = nullptr; // startSaver makes its own
    EXPECT_EQ(startSaver(line, SW_SHOW), 0);
    EXPECT_EQ(script.stepsRun(), 1u);
    EXPECT_NE(child, nullptr);
    EXPECT_EQ(gSaverState, nullptr);
}

TEST_F(SaverRun, PreviewWithAnEmptyParentCreatesNoWindow)
{
    gSaverMode = SaverMode::Preview;
    for (const SIZE size : {SIZE{0, 112}, SIZE{152, 0}}) {
        createPreviewParent(size.cx, size.cy);
        runSaverWindow(parent, SW_SHOW);
        EXPECT_EQ(gSaverWindow, nullptr);
        EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
        DestroyWindow(parent);
        UnregisterClassA("OpenGL", gInstance);
    }
}

std::vector<WPARAM> gRecorded;

LRESULT CALLBACK recordAppMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        gRecorded.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(SaverRun, DispatchesWhatIsQueuedBeforeQuitAndNothingAfter)
{
    gSaverMode = SaverMode::Preview;
    createPreviewParent();
    WNDCLASSA recorderClass{};
    recorderClass.lpfnWndProc = recordAppMessages;
    recorderClass.hInstance = gInstance;
    recorderClass.lpszClassName = "CindralQueueRecorder";
    RegisterClassA(&recorderClass);
    const HWND recorder = CreateWindowExA(0, "CindralQueueRecorder", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                         gInstance, nullptr);
    gRecorded.clear();
    std::uint64_t drawsAtQuit = 0;
    LoopScript script({[&] {
        // A posted WM_QUIT, unlike PostQuitMessage's, keeps its place in the queue.
        PostMessageA(recorder, WM_APP, 1, 0);
        PostMessageA(recorder, WM_APP, 2, 0);
        PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
        PostMessageA(recorder, WM_APP, 3, 0);
        drawsAtQuit = gRandomSource.draws();
    }});
    runSaverWindow(parent, SW_SHOW);
    EXPECT_EQ(gRecorded, (std::vector<WPARAM>{1, 2}));
    EXPECT_EQ(gRandomSource.draws(), drawsAtQuit) << "no frame once messages wait or WM_QUIT is taken";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, recorder, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
    DestroyWindow(recorder);
    UnregisterClassA("CindralQueueRecorder", gInstance);
}

BOOL WINAPI noHighResolutionCounter(LARGE_INTEGER* frequency)
{
    frequency->QuadPart = 0;
    return FALSE;
}

TEST_F(SaverRun, KeepsDrawingWithoutAHighResolutionCounter)
{
    gSaverMode = SaverMode::Preview;
    gPlatform.counterFrequency = noHighResolutionCounter;
    createPreviewParent();
    std::uint64_t draws = 0;
    LoopScript script({[&] { draws = gRandomSource.draws(); },
                       [&] {
                           if (gRandomSource.draws() == draws) {
                               LoopScript::again();
                               return;
                           }
                           DestroyWindow(parent);
                       }});
    runSaverWindow(parent, SW_SHOW);
    EXPECT_EQ(script.stepsRun(), 2u);
}

// The message box runs its own loop, which still runs the script's timer.
TEST_F(SaverRun, ShowsTheFailedClassRegistrationAndCreatesNoWindow)
{
    gSaverMode = SaverMode::Saver;
    WNDCLASSA taken{};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = gInstance;
    taken.lpszClassName = "OpenGL";
    ASSERT_NE(RegisterClassA(&taken), 0);
    std::string caption;
    std::string text;
    bool ownerless = false;
    bool onlyOk = false;
    LoopScript script({[&] {
        const HWND box = FindWindowA("#32770", "Error");
        ASSERT_NE(box, nullptr);
        char buffer[128] = "";
        GetWindowTextA(box, buffer, sizeof buffer);
        caption = buffer;
        GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
        text = buffer;
        ownerless = GetWindow(box, GW_OWNER) == nullptr;
        onlyOk = GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDCANCEL) == nullptr;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }});
    runSaverWindow(nullptr, SW_SHOW);
    EXPECT_EQ(script.stepsRun(), 1u);
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(text, "RegisterClass() failed:  Cannot register window class.");
    EXPECT_TRUE(ownerless);
    EXPECT_TRUE(onlyOk);
    EXPECT_EQ(gSaverWindow, nullptr);
    EXPECT_FALSE(saverRunningMark());
}

} // namespace
