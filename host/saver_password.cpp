#include "saver_password.h"

#include "entry_point.h"
#include "platform_queries.h"
#include "system_library_path.h"

namespace {

using VerifyScreenSavePwdProc = BOOL(WINAPI*)(HWND window);
using PwdChangePasswordAProc = DWORD(WINAPI*)(LPCSTR registryKey, HWND parent, DWORD reserved1, DWORD reserved2);

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version query expects the 148-byte record");

// Loads a library of the system folder by its full path, never by bare name:
// a bare name is searched for in the program's folder and the current
// directory first. Null when the folder cannot be named or the load fails.
HMODULE loadSystemLibrary(const char* fileName)
{
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, sizeof directory);
    char path[MAX_PATH];
    if (!systemLibraryPath(directory, length, sizeof directory, fileName, path, sizeof path)) {
        return nullptr;
    }
    return LoadLibraryA(path);
}

} // namespace

int verifySaverPassword(HWND saverWindow)
{
    // Zeroed, so that a failed query reads as a 95/98-family system: the
    // provider is then asked wherever one is installed, rather than the
    // password skipped.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (gPlatform.versionInfo(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        return 1;
    }

    const HMODULE library = loadSystemLibrary("PASSWORD.CPL");
    if (library == nullptr) {
        return 1;
    }
    const auto verify = findEntryPoint<VerifyScreenSavePwdProc>(library, "VerifyScreenSavePwd");
    if (verify == nullptr) {
        FreeLibrary(library);
        return 1;
    }
    const int result = verify(saverWindow);
    FreeLibrary(library);
    return result;
}

void changeSaverPassword(HWND parent)
{
    const HMODULE library = loadSystemLibrary("MPR.DLL");
    if (library == nullptr) {
        return;
    }
    const auto change = findEntryPoint<PwdChangePasswordAProc>(library, "PwdChangePasswordA");
    if (change != nullptr) {
        change("SCRSAVE", parent, 0, 0);
    }
    FreeLibrary(library);
}
