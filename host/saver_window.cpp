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
    // Without a high-resolution counter, whose quotient would never reach
    // the limit, the tick count (milliseconds) paces the frames instead.
    const FramePacer pacer(counterFrequency > 0 ? counterFrequency : 1000);
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
            } while (!pacer.frameOver(now.QuadPart - frameStart.QuadPart));
        } else {
            const DWORD frameStart = GetTickCount();
            renderFrame();
            SwapBuffers(deviceContext);
            // The difference of two tick counts is right across the count's
            // wrap past 2^32.
            while (!pacer.frameOver(static_cast<DWORD>(GetTickCount() - frameStart))) {
            }
        }
    }
}

// The class of the saver window, registered once per run. It has no cursor
// of its own: the window procedure sets it.
bool registerSaverClass()
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = gInstance;
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0) {
        showError("RegisterClass() failed:  Cannot register window class.");
        return false;
    }
    return true;
}

struct WindowShape {
    DWORD style;
    HWND parent;
    int width;
    int height;
};

// Full screen on the primary display in Saver mode; in Preview mode a child
// that fills the parent's outer rectangle. False, quietly, when that
// rectangle cannot be read or has no area: the scene needs a positive size,
// and an empty preview shows nothing.
bool chooseWindowShape(HWND parentWindow, WindowShape& shape)
{
    if (gSaverMode == SaverMode::Saver) {
        // The pop-up's low style bits stay clear: this class gives them no meaning.
        shape = {WS_POPUP | WS_VISIBLE, nullptr, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return true;
    }
    RECT rect;
    if (!GetWindowRect(parentWindow, &rect)) {
        return false;
    }
    shape = {WS_CHILD | WS_VISIBLE, parentWindow, rect.right - rect.left, rect.bottom - rect.top};
    return shape.width > 0 && shape.height > 0;
}

// Gives the device context a double-buffered 16-bit RGBA format, with no
// depth buffer. False after the failure has been shown.
bool setPixelFormat(HDC deviceContext)
{
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 16;
    const int formatIndex = ChoosePixelFormat(deviceContext, &format);
    if (formatIndex == 0) {
        reportPixelFormatFailure("ChoosePixelFormat() failed:  Cannot find a suitable pixel format.");
        return false;
    }
    if (!SetPixelFormat(deviceContext, formatIndex, &format)) {
        reportPixelFormatFailure("SetPixelFormat() failed:  Cannot set format specified.");
        return false;
    }
    return true;
}

} // namespace

void runSaverWindow(HWND parentWindow, int showCommand)
{
    // Before the window, which keeps the awareness it is made with: on a
    // scaled display the screen's metrics are then its real pixels.
    gPlatform.askForDpiAwareness();

    LARGE_INTEGER counterFrequency;
    counterFrequency.QuadPart = 0;
    gPlatform.counterFrequency(&counterFrequency);

    WindowShape shape;
    if (!registerSaverClass() || !chooseWindowShape(parentWindow, shape)) {
        return;
    }
    // Visible from creation on; WM_CREATE records the window in the state.
    gSaverWindow = CreateWindowExA(0, kClassName, kWindowName, shape.style, 0, 0, shape.width, shape.height,
                                   shape.parent, nullptr, gInstance, nullptr);
    if (gSaverWindow == nullptr) {
        return;
    }
    // From here on every way out clears the running mark again.
    const bool saverMode = gSaverMode == SaverMode::Saver;
    if (saverMode) {
        markSaverRunning(TRUE);
    }

    const HDC deviceContext = GetDC(gSaverWindow);
    if (setPixelFormat(deviceContext)) {
        const HGLRC renderingContext = wglCreateContext(deviceContext);
        wglMakeCurrent(deviceContext, renderingContext);
        initScene(shape.width, shape.height);
        ShowWindow(gSaverWindow, showCommand);

        runFrameLoop(deviceContext, counterFrequency.QuadPart);

        wglMakeCurrent(nullptr, nullptr);
        ReleaseDC(gSaverWindow, deviceContext);
        wglDeleteContext(renderingContext);
    }
    if (saverMode) {
        markSaverRunning(FALSE);
    }
}
