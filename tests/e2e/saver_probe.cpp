// A Windows-side helper for the end-to-end tests: it looks at the saver's
// windows from inside Wine, where their class names and styles are visible,
// and plays the part of the control panel that owns a preview window.
//
//   saver_probe find CLASS TITLE TIMEOUT_MS   wait for a top-level window, print it
//   saver_probe count CLASS                   print how many windows of CLASS exist
//   saver_probe preview SCR WIDTH HEIGHT      make a preview parent, start SCR /p in it;
//                                             then read commands from stdin:
//                                             "destroy" ends the parent, "quit" leaves
//   saver_probe message-box TIMEOUT_MS        wait for an "Error" box, print its text, press OK
//
// Output is one "key=value ..." line per fact, for the test script to parse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void printWindow(const char* what, HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    char title[128] = "";
    GetWindowTextA(window, title, sizeof title);
    std::printf("%s hwnd=%lu class=%s title=%s left=%ld top=%ld width=%ld height=%ld visible=%d "
                "style=0x%08lx exstyle=0x%08lx parent=%lu\n",
                what, static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)), className, title,
                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                IsWindowVisible(window) ? 1 : 0, static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(GetParent(window))));
    std::fflush(stdout);
}

// Dispatches every queued message at least once, then goes on for
// `milliseconds`. The preview's parent must keep answering: the saver sends
// it messages while its child window is made and destroyed.
void pumpMessages(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds == 0) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

int find(const char* className, const char* title, DWORD timeout)
{
    const DWORD start = GetTickCount();
    do {
        if (HWND window = FindWindowA(className, title)) {
            printWindow("window", window);
            return 0;
        }
        Sleep(50);
    } while (GetTickCount() - start < timeout);
    std::printf("missing class=%s title=%s\n", className, title);
    return 1;
}

struct CountContext {
    const char* className;
    int count;
};

// Counts one window if its class matches; used for top-level windows and,
// through EnumChildWindows, for every descendant of each.
BOOL CALLBACK countIfClassMatches(HWND window, LPARAM param)
{
    auto* context = reinterpret_cast<CountContext*>(param);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, context->className) == 0) {
        ++context->count;
    }
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM param)
{
    countIfClassMatches(window, param);
    EnumChildWindows(window, countIfClassMatches, param);
    return TRUE;
}

int count(const char* className)
{
    CountContext context{className, 0};
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&context));
    std::printf("count class=%s n=%d\n", className, context.count);
    return 0;
}

// stdin is read on its own thread so that the window thread keeps pumping
// messages, as a real control panel would.
HANDLE gCommandReady;
char gCommand[64];

DWORD WINAPI readCommands(void*)
{
    while (std::fgets(gCommand, sizeof gCommand, stdin) != nullptr) {
        SetEvent(gCommandReady);
        Sleep(INFINITE); // one command is enough for each run of the probe
    }
    std::strcpy(gCommand, "quit");
    SetEvent(gCommandReady);
    return 0;
}

int preview(const char* scr, int width, int height)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "CindralPreviewParent";
    RegisterClassA(&wc);
    // A borderless pop-up, so the outer rectangle is exactly width x height.
    HWND parent = CreateWindowExA(0, wc.lpszClassName, "Preview", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 200, 300, width,
                                  height, nullptr, nullptr, wc.hInstance, nullptr);
    if (parent == nullptr) {
        std::printf("error no-parent\n");
        return 1;
    }
    printWindow("parent", parent);

    char commandLine[MAX_PATH + 64];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" /p %lu", scr,
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(parent)));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("error no-process %lu\n", GetLastError());
        return 1;
    }

    HWND child = nullptr;
    const DWORD start = GetTickCount();
    // Generous: the first start of a 32-bit saver may run under emulation.
    while (child == nullptr && GetTickCount() - start < 60000) {
        pumpMessages(50);
        child = FindWindowExA(parent, nullptr, "OpenGL", nullptr);
    }
    if (child == nullptr) {
        std::printf("missing child\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    printWindow("child", child);
    std::printf("ready\n");
    std::fflush(stdout);

    gCommandReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, readCommands, nullptr, 0, nullptr));
    HANDLE waits[2] = {gCommandReady, pi.hProcess};
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(2, waits, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            break;
        }
        if (r == WAIT_OBJECT_0 + 1) {
            std::printf("saver-ended-early\n");
            break;
        }
        pumpMessages(0);
    }
    if (std::strncmp(gCommand, "destroy", 7) == 0) {
        DestroyWindow(parent);
    }
    DWORD waited = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - waited < 60000) {
        pumpMessages(20);
    }
    DWORD code = 259;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit code=%lu after_ms=%lu\n", code, GetTickCount() - waited);
    if (code == STILL_ACTIVE) {
        TerminateProcess(pi.hProcess, 1);
    }
    return 0;
}

BOOL CALLBACK printStatic(HWND window, LPARAM)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    std::printf("control class=%s text=%s\n", name, text);
    return TRUE;
}

int messageBox(DWORD timeout)
{
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    while (box == nullptr && GetTickCount() - start < timeout) {
        box = FindWindowA("#32770", "Error");
        Sleep(50);
    }
    if (box == nullptr) {
        std::printf("missing message-box\n");
        return 1;
    }
    printWindow("box", box);
    EnumChildWindows(box, printStatic, 0);
    std::fflush(stdout);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "find" && argc == 5) {
        return find(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10));
    }
    if (verb == "count" && argc == 3) {
        return count(argv[2]);
    }
    if (verb == "preview" && argc == 5) {
        return preview(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (verb == "message-box" && argc == 3) {
        return messageBox(std::strtoul(argv[2], nullptr, 10));
    }
    std::fprintf(stderr, "usage: saver_probe find|count|preview|message-box ...\n");
    return 2;
}
