#include "saver_state.h"

#include "platform_queries.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";
constexpr std::uint32_t kDefaultPasswordDelay = 15;
constexpr std::int32_t kDefaultMouseThreshold = 50;

// Queries one value into a four-byte buffer, whatever its type. The buffer
// starts at zero for every read, so data shorter than four bytes gives its
// own bytes as the low-order ones and zeros above them. Longer data makes
// the query fail, and `value` is left alone.
void readSetting(HKEY key, const char* name, std::uint32_t& value)
{
    unsigned char buffer[4] = {0, 0, 0, 0};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, &type, buffer, &size) == ERROR_SUCCESS) {
        value = static_cast<std::uint32_t>(buffer[0]) | static_cast<std::uint32_t>(buffer[1]) << 8 |
                static_cast<std::uint32_t>(buffer[2]) << 16 | static_cast<std::uint32_t>(buffer[3]) << 24;
    }
}

} // namespace

SaverState::SaverState() : window(nullptr), closeRequested(0), cursorOriginKnown(0) {}

void SaverState::loadSettings()
{
    passwordDelay = kDefaultPasswordDelay;
    mouseThreshold = kDefaultMouseThreshold;
    inPasswordPrompt = 0;

    // Full access is asked for although only reads follow; where it is
    // refused the defaults stand.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return;
    }
    readSetting(key, "Password Delay", passwordDelay);
    std::uint32_t threshold = static_cast<std::uint32_t>(mouseThreshold);
    readSetting(key, "Mouse Threshold", threshold);
    mouseThreshold = static_cast<std::int32_t>(threshold); // all bits set reads as -1
    RegCloseKey(key);
}

void SaverState::requestClose()
{
    closeRequested = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void SaverState::beginPasswordPrompt()
{
    inPasswordPrompt = 1;
    SendMessageA(window, WM_SETCURSOR, 0, 0);
}

void SaverState::endPasswordPrompt()
{
    inPasswordPrompt = 0;
    SendMessageA(window, WM_SETCURSOR, 0, 0);
    recordCursorOrigin();
}

void SaverState::recordCursorOrigin()
{
    POINT position;
    if (gPlatform.cursorPos(&position)) {
        cursorOrigin = position;
        cursorOriginKnown = 1;
    } else {
        cursorOriginKnown = 0;
    }
}
