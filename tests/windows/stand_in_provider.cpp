// A stand-in for the password provider of Windows 95/98-family systems, which
// Wine does not have. Built twice for the tests: as PASSWORD.CPL exporting
// VerifyScreenSavePwd, and as MPR.DLL exporting PwdChangePasswordA. The tests
// set its answers and read what it saw through the environment:
//   CINDRAL_PROVIDER_LOG     file to which every load, unload and call appends a line
//   CINDRAL_PROVIDER_ANSWER  what VerifyScreenSavePwd returns, decimal; 1 when unset
//   CINDRAL_PROVIDER_NESTED  when "1", VerifyScreenSavePwd first sends the window
//                            what a user could do while its dialog is up
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void logLine(const char* format, ...)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("CINDRAL_PROVIDER_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return;
    }
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

[[maybe_unused]] bool environmentIs(const char* name, const char* value)
{
    char text[32];
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
    return length > 0 && length < sizeof text && std::strcmp(text, value) == 0;
}

unsigned long long handleBits(HWND window)
{
    return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window));
}

[[maybe_unused]] const char* cursorName()
{
    const HCURSOR cursor = GetCursor();
    if (cursor == nullptr) {
        return "none";
    }
    return cursor == LoadCursorA(nullptr, IDC_ARROW) ? "arrow" : "other";
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char name[MAX_PATH] = "";
        GetModuleFileNameA(instance, name, sizeof name);
        logLine("attach %s", name);
    } else if (reason == DLL_PROCESS_DETACH) {
        logLine("detach");
    }
    return TRUE;
}

#ifdef CINDRAL_STAND_IN_VERIFY
extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    logLine("VerifyScreenSavePwd window=%llx cursor=%s", handleBits(window), cursorName());
    if (environmentIs("CINDRAL_PROVIDER_NESTED", "1")) {
        // What arrives while a real provider's dialog is up: another close,
        // keys, buttons, deactivation and a far mouse move.
        POINT cursor{};
        GetCursorPos(&cursor);
        SetCursorPos(cursor.x + 200, cursor.y + 150);
        const LRESULT closeResult = SendMessageA(window, WM_CLOSE, 0, 0);
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
        SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        logLine("nested close=%ld cursor=%s", static_cast<long>(closeResult), cursorName());
    }
    char answer[16];
    const DWORD length = GetEnvironmentVariableA("CINDRAL_PROVIDER_ANSWER", answer, sizeof answer);
    return length > 0 && length < sizeof answer ? std::atoi(answer) : 1;
}
#endif

#ifdef CINDRAL_STAND_IN_CHANGE
extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR registryKey, HWND parent, DWORD reserved1,
                                                                DWORD reserved2)
{
    logLine("PwdChangePasswordA key=%s parent=%llx reserved=%lu,%lu", registryKey ? registryKey : "(null)",
            handleBits(parent), static_cast<unsigned long>(reserved1), static_cast<unsigned long>(reserved2));
    return 0;
}
#endif
