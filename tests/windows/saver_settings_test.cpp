// The two settings as loadSettings reads them from the Wine prefix's
// HKCU\Software\Microsoft\Windows\CurrentVersion\Screen Savers.
#include "saver_state.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";

struct Value {
    const char* name;
    DWORD type;
    std::vector<unsigned char> data;
};

struct SettingsRow {
    const char* what;
    bool keyExists;
    std::vector<Value> values;
    std::uint32_t passwordDelay;
    std::int32_t mouseThreshold;
};

std::vector<unsigned char> dword(std::uint32_t v)
{
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 24)};
}

std::vector<unsigned char> text(const char* s)
{
    const std::string t(s);
    std::vector<unsigned char> bytes(t.begin(), t.end());
    bytes.push_back(0);
    return bytes;
}

// The tests own these settings of the test prefix while they run.
class Settings : public testing::TestWithParam<SettingsRow> {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
};

TEST_P(Settings, LoadsWhatFitsIntoFourBytesAndDefaultsOtherwise)
{
    const SettingsRow& row = GetParam();
    if (row.keyExists) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const Value& v : row.values) {
            ASSERT_EQ(RegSetValueExA(key, v.name, 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size())),
                      ERROR_SUCCESS);
        }
        RegCloseKey(key);
    }
    SaverState state;
    state.passwordDelay = 777;
    state.mouseThreshold = 777;
    state.inPasswordPrompt = 1;
    state.loadSettings();
    EXPECT_EQ(state.passwordDelay, row.passwordDelay) << row.what;
    EXPECT_EQ(state.mouseThreshold, row.mouseThreshold) << row.what;
    EXPECT_EQ(state.inPasswordPrompt, 0) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, Settings,
    testing::Values(
        SettingsRow{"no key", false, {}, 15, 50}, SettingsRow{"empty key", true, {}, 15, 50},
        SettingsRow{"delay 0", true, {{"Password Delay", REG_DWORD, dword(0)}}, 0, 50},
        SettingsRow{"both",
                    true,
                    {{"Password Delay", REG_DWORD, dword(60)}, {"Mouse Threshold", REG_DWORD, dword(10)}},
                    60,
                    10},
        SettingsRow{"all bits", true, {{"Mouse Threshold", REG_DWORD, dword(0xFFFFFFFFu)}}, 15, -1},
        SettingsRow{"huge delay", true, {{"Password Delay", REG_DWORD, dword(4294968u)}}, 4294968u, 50},
        SettingsRow{"five-byte string", true, {{"Password Delay", REG_SZ, text("1234")}}, 15, 50},
        SettingsRow{"three-byte string", true, {{"Mouse Threshold", REG_SZ, text("12")}}, 15, 0x3231},
        SettingsRow{"four-byte binary", true, {{"Password Delay", REG_BINARY, dword(5)}}, 5, 50},
        SettingsRow{"long binary", true, {{"Password Delay", REG_BINARY, {1, 2, 3, 4, 5}}}, 15, 50},
        // The buffer starts at zero for each read: the two bytes are not
        // topped up with what the delay left in it.
        SettingsRow{"two-byte binary after all bits",
                    true,
                    {{"Password Delay", REG_DWORD, dword(0xFFFFFFFFu)}, {"Mouse Threshold", REG_BINARY, {0x02, 0x01}}},
                    0xFFFFFFFFu,
                    0x0102},
        SettingsRow{"empty binary", true, {{"Mouse Threshold", REG_BINARY, {}}}, 15, 0}));

} // namespace
