// What WinMain runs, from a command-line text to the exit code, and how a
// window number from the command line becomes a handle.
#include "saver_start.h"

#include "dpi_awareness.h"
#include "host_test_support.h"
#include "saver_globals.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {

bool gNothrowNewFails = false;

// DPI requests seen, and whether a saver window existed at any of them.
int gDpiRequests = 0;
bool gWindowBeforeDpiRequest = false;

void recordDpiRequest()
{
    ++gDpiRequests;
    gWindowBeforeDpiRequest |= gSaverWindow != nullptr || FindWindowA("OpenGL", nullptr) != nullptr;
}

} // namespace

// The saver allocates its state with the non-throwing new; this replacement
// lets a test make that allocation fail.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return gNothrowNewFails ? nullptr : std::malloc(size != 0 ? size : 1);
}

namespace {

TEST(WindowFromCommandLine, SignExtendsLikeWindowsWidensHandles)
{
    struct Row {
        std::uint32_t value;
        LONG_PTR handle;
    };
    const Row rows[] = {{0, 0},
                        {1234, 1234},
                        {0x7FFFFFFFu, 0x7FFFFFFF},
                        {0x80000000u, static_cast<LONG_PTR>(-2147483647 - 1)},
                        {0xFFFFFFFEu, -2},
                        {0xFFFFFFFFu, -1}};
    for (const Row& row : rows) {
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(windowFromCommandLine(row.value)), row.handle) << row.value;
    }
}

class StartSaver : public testing::Test {
protected:
    void SetUp() override { gInstance = GetModuleHandleA(nullptr); }
    void TearDown() override
    {
        gNothrowNewFails = false;
        gPlatform = kSystemPlatform;
        UnregisterClassA("OpenGL", gInstance);
        gSaverWindow = nullptr;
        gSaverMode = SaverMode::None;
    }
    static bool classRegistered()
    {
        WNDCLASSA windowClass;
        return GetClassInfoA(gInstance, "OpenGL", &windowClass) != 0;
    }
};

TEST_F(StartSaver, ConfigureAndUnknownSwitchesShowNothingAndReturnZero)
{
    for (const char* line : {"cindral.scr", "cindral.scr /c", "cindral.scr /c 1234", "cindral.scr /x"}) {
        EXPECT_EQ(startSaver(line, SW_SHOW), 0) << line;
        EXPECT_FALSE(classRegistered()) << line;
        EXPECT_EQ(gSaverState, nullptr) << line;
    }
}

TEST_F(StartSaver, PreviewWithoutAWindowEndsSilently)
{
    for (const char* line : {"cindral.scr /p", "cindral.scr /p 0", "cindral.scr /preview 1234"}) {
        EXPECT_EQ(startSaver(line, SW_SHOW), 0) << line;
        EXPECT_EQ(gSaverWindow, nullptr) << line;
        EXPECT_EQ(gSaverState, nullptr) << line;
        // The class stays registered until the process ends; the next run
        // of this process would otherwise fail to register it.
        EXPECT_TRUE(UnregisterClassA("OpenGL", gInstance)) << line;
    }
}

TEST_F(StartSaver, AsksForDpiAwarenessOnceBeforeTheWindowOnlyInTheModesThatMakeOne)
{
    gPlatform.askForDpiAwareness = recordDpiRequest;
    struct Row {
        const char* line;
        int requests;
    };
    for (const Row& row : {Row{"cindral.scr /s", 1}, Row{"cindral.scr /p", 1}, Row{"cindral.scr /c", 0},
                           Row{"cindral.scr /x", 0}}) {
        gDpiRequests = 0;
        gWindowBeforeDpiRequest = false;
        LoopScript script({[] { DestroyWindow(gSaverWindow); }});
        EXPECT_EQ(startSaver(row.line, SW_SHOW), 0) << row.line;
        EXPECT_EQ(gDpiRequests, row.requests) << row.line;
        EXPECT_FALSE(gWindowBeforeDpiRequest) << row.line;
        UnregisterClassA("OpenGL", gInstance);
        gSaverWindow = nullptr;
    }
    // Windows before Vista has neither call, and the saver runs as before.
    EXPECT_EQ(askForDpiAwareness(GetModuleHandleA("kernel32.dll")), DpiAwareness::Unchanged);
}

TEST_F(StartSaver, EndsWithZeroAndRunsNothingWhenTheStateCannotBeAllocated)
{
    gNothrowNewFails = true;
    EXPECT_EQ(startSaver("cindral.scr /s", SW_SHOW), 0);
    gNothrowNewFails = false;
    EXPECT_EQ(gSaverState, nullptr);
    EXPECT_FALSE(classRegistered());
    EXPECT_EQ(gSaverWindow, nullptr);
    EXPECT_EQ(static_cast<int>(gSaverMode), static_cast<int>(SaverMode::Saver));
}

} // namespace
