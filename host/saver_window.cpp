#include "saver_window.h"

#include "frame_pacing.h"
#include "platform_queries.h"
#include "saver_globals.h"
#include "saver_window_proc.h"
#include "scene.h"

#include <cstdint>

namespace {

constexpr char kClassName[] = "OpenGL";
constexpr char kWindowName[] = "SaverWindow";

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the pixel format request is the 40-byte record");

void showError(const char* text)
{
    MessageBoxA(nullptr, text, "Error", MB_OK);
}

// A failed pixel format leaves the saver window up while the message says so.
// The window loses its close policy first: the message box takes the
// activation from it, and the close that this deactivation requests would
// destroy the window and post the quit message that ends the box's own
// message loop, taking the message away before anyone could read it.
void reportPixelFormatFailure(const char* text)
{
    SetWindowLongPtrA(gSaverWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    showError(text);
}

// Tells the system whether a screen saver runs. Neither stored in the user
// profile nor broadcast; the previous state it reports is not used.
void markSaverRunning(BOOL running)
{
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running, &previous, 0);
}

// Dispatches every pending message, one per pass, and draws a frame only
// when the queue is empty; returns when WM_QUIT is taken, which is not
// dispatched. Each frame, with its presentation and the wait after it, takes
// at least kMinFrameSeconds; the wait spins without sleeping.
void runFrameLoop(HDC deviceContext, std::int64_t counterFrequency)
{
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        if (counterFrequency > 0) {
            LARGE_INTEGER frameStart;
            LARGE_INTEGER now;
            QueryPerformanceCounter(&frameStart);
            renderFrame();
            SwapBuffers(deviceContext);
            do {
                QueryPerformanceCounter(&now);
            } while (!counterFrameOver(frameStart.QuadPart, now.QuadPart, counterFrequency));
        } else {
            // No high-resolution counter: its quotient would never reach the
            // limit, so the tick count paces the frames instead.
            const DWORD frameStart = GetTickCount();
            renderFrame();
            SwapBuffers(deviceContext);
            while (!tickFrameOver(frameStart, GetTickCount())) {
            }
        }
    }
}

} // namespace

void runSaverWindow(HWND parentWindow, int showCommand)
{
    LARGE_INTEGER counterFrequency;
    counterFrequency.QuadPart = 0;
    gPlatform.counterFrequency(&counterFrequency);

    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = gInstance;
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        showError("RegisterClass() failed:  Cannot register window class.");
        return;
    }

    const bool saverMode = gSaverMode == SaverMode::Saver;
    int width = 0;
    int height = 0;
    DWORD style = 0;
    HWND parent = nullptr;
    if (saverMode) {
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        // The pop-up's low style bits stay clear: this class gives them no meaning.
        style = WS_POPUP | WS_VISIBLE;
    } else {
        RECT rect;
        if (!GetWindowRect(parentWindow, &rect)) {
            return;
        }
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
        // The scene needs a positive size, and an empty preview shows nothing.
        if (width <= 0 || height <= 0) {
            return;
        }
        style = WS_CHILD | WS_VISIBLE;
        parent = parentWindow;
    }

    // Visible from creation on; WM_CREATE records the window in the state.
    gSaverWindow = CreateWindowExA(0, kClassName, kWindowName, style, 0, 0, width, height, parent, nullptr,
                                   gInstance, nullptr);
    if (gSaverWindow == nullptr) {
        return;
    }
    if (saverMode) {
        markSaverRunning(TRUE);
    }

    const HDC deviceContext = GetDC(gSaverWindow);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 16;
    const int formatIndex = ChoosePixelFormat(deviceContext, &format);
    if (formatIndex == 0) {
        reportPixelFormatFailure("ChoosePixelFormat() failed:  Cannot find a suitable pixel format.");
        if (saverMode) {
            markSaverRunning(FALSE);
        }
        return;
    }
    if (!SetPixelFormat(deviceContext, formatIndex, &format)) {
        reportPixelFormatFailure("SetPixelFormat() failed:  Cannot set format specified.");
        if (saverMode) {
            markSaverRunning(FALSE);
        }
        return;
    }
    const HGLRC renderingContext = wglCreateContext(deviceContext);
    wglMakeCurrent(deviceContext, renderingContext);

    initScene(width, height);
    ShowWindow(gSaverWindow, showCommand);

    runFrameLoop(deviceContext, counterFrequency.QuadPart);

    wglMakeCurrent(nullptr, nullptr);
    ReleaseDC(gSaverWindow, deviceContext);
    wglDeleteContext(renderingContext);
    if (saverMode) {
        markSaverRunning(FALSE);
    }
}
