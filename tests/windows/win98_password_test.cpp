// The password check and change against the stand-in provider, in a program
// that Wine reports as Windows 98 (its AppDefaults Version is "win98") and
// for which it loads MPR.DLL from the file rather than its own built-in one.
#include "saver_password.h"

#include "host_test_support.h"
#include "saver_start.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(Win98Platform, IsWhatThisProgramIsShown)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    ASSERT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS))
        << "run through CTest, which sets this program's Wine AppDefaults to win98";
}

class PasswordCheck : public testing::Test {
protected:
    ProviderLog log;
    const std::string systemProvider = systemFile("PASSWORD.CPL");
};

TEST_F(PasswordCheck, LetsTheSaverCloseWhenNoProviderIsInstalled)
{
    EXPECT_EQ(verifySaverPassword(nullptr), 1);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PasswordCheck, PassesTheProvidersAnswerOnAndUnloadsItEachTime)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemProvider);
    ASSERT_TRUE(provider.placed());
    const HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xBEEF));
    ProviderLog::answer(0);
    EXPECT_EQ(verifySaverPassword(window), 0);
    ProviderLog::answer(7);
    EXPECT_EQ(verifySaverPassword(window), 7);
    const std::string call = "VerifyScreenSavePwd window=beef cursor=";
    const Lines lines = log.lines();
    ASSERT_EQ(lines.size(), 6u);
    for (int i : {0, 3}) {
        EXPECT_EQ(lines[i], attachLine(systemProvider));
        EXPECT_EQ(lines[i + 1].rfind(call, 0), 0u) << lines[i + 1];
        EXPECT_EQ(lines[i + 2], "detach");
    }
}

TEST_F(PasswordCheck, LetsTheSaverCloseWhenTheEntryPointIsMissing)
{
    // The change stand-in has no VerifyScreenSavePwd.
    const PlacedFile provider(standInFile("MPR.DLL"), systemProvider);
    ASSERT_TRUE(provider.placed());
    ProviderLog::answer(0);
    EXPECT_EQ(verifySaverPassword(nullptr), 1);
    EXPECT_EQ(log.lines(), (Lines{attachLine(systemProvider), "detach"}));
}

// A file of the provider's name planted in the program's folder or the
// current directory must never be loaded: only the system folder counts.
TEST_F(PasswordCheck, NeverLoadsAProviderPlantedBesideTheProgram)
{
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    const PlacedFile besideProgram(standInFile("PASSWORD.CPL"), programFolder() + "PASSWORD.CPL");
    const PlacedFile inCurrentDirectory(standInFile("PASSWORD.CPL"), std::string(current) + "\\PASSWORD.CPL");
    ASSERT_TRUE(besideProgram.placed());
    ASSERT_TRUE(inCurrentDirectory.placed());
    ProviderLog::answer(0);
    EXPECT_EQ(verifySaverPassword(nullptr), 1);
    EXPECT_TRUE(log.lines().empty());
}

class PasswordChange : public testing::Test {
protected:
    ProviderLog log;
    // Wine's own mpr.dll is put back after each test.
    const std::string systemMpr = systemFile("MPR.DLL");
};

TEST_F(PasswordChange, CallsTheProviderWithScrsaveAndTheParent)
{
    const PlacedFile provider(standInFile("MPR.DLL"), systemMpr);
    ASSERT_TRUE(provider.placed());
    changeSaverPassword(nullptr);
    changeSaverPassword(reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1F2E)));
    const Lines expected = {attachLine(systemMpr), "PwdChangePasswordA key=SCRSAVE parent=0 reserved=0,0", "detach",
                            attachLine(systemMpr), "PwdChangePasswordA key=SCRSAVE parent=1f2e reserved=0,0",
                            "detach"};
    EXPECT_EQ(log.lines(), expected);
}

TEST_F(PasswordChange, PassesTheCommandLineWindowSignExtended)
{
    const PlacedFile provider(standInFile("MPR.DLL"), systemMpr);
    ASSERT_TRUE(provider.placed());
    gInstance = GetModuleHandleA(nullptr);
    EXPECT_EQ(startSaver("cindral.scr /a 4294967295", SW_SHOW), 0);
    EXPECT_EQ(startSaver("cindral.scr /a:1234", SW_SHOW), 0);
    const std::string allBits = sizeof(HWND) == 8 ? "ffffffffffffffff" : "ffffffff";
    const Lines expected = {attachLine(systemMpr), "PwdChangePasswordA key=SCRSAVE parent=" + allBits + " reserved=0,0",
                            "detach", attachLine(systemMpr), "PwdChangePasswordA key=SCRSAVE parent=4d2 reserved=0,0",
                            "detach"};
    EXPECT_EQ(log.lines(), expected);
}

TEST_F(PasswordChange, UnloadsAProviderWithoutTheEntryPoint)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemMpr);
    ASSERT_TRUE(provider.placed());
    changeSaverPassword(nullptr);
    EXPECT_EQ(log.lines(), (Lines{attachLine(systemMpr), "detach"}));
}

TEST_F(PasswordChange, DoesNothingWithoutMprInTheSystemFolderEvenWhenOneIsPlantedBesideTheProgram)
{
    const MovedAside wineMpr(systemMpr);
    const PlacedFile planted(standInFile("MPR.DLL"), programFolder() + "MPR.DLL");
    ASSERT_TRUE(planted.placed());
    changeSaverPassword(nullptr);
    EXPECT_TRUE(log.lines().empty());
}

// The close check end to end: the provider is asked once the grace period is
// over, with the arrow showing, and its answer decides.
class Win98CloseCheck : public SaverWindowTest {
protected:
    void closeAfterGracePeriod()
    {
        createSaverWindow();
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        gFakeTickCount = state.startTick + 15001;
        dispatchQueued();
    }
    ProviderLog log;
    const std::string systemProvider = systemFile("PASSWORD.CPL");
};

TEST_F(Win98CloseCheck, KeepsRunningWhenTheProviderRefuses)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemProvider);
    ASSERT_TRUE(provider.placed());
    ProviderLog::answer(0);
    closeAfterGracePeriod();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(state.closeRequested, 1);
    EXPECT_EQ(state.inPasswordPrompt, 0);
    SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), nullptr) << "hidden again once the prompt is over";
    const Lines expected = {attachLine(systemProvider),
                            "VerifyScreenSavePwd window=" + handleText(window) + " cursor=arrow", "detach"};
    EXPECT_EQ(log.lines(), expected);

    // The next input asks again.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ProviderLog::answer(1);
    dispatchQueued();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(log.lines().size(), 6u);
}

TEST_F(Win98CloseCheck, ClosesWhenTheProviderAccepts)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemProvider);
    ASSERT_TRUE(provider.placed());
    ProviderLog::answer(1);
    createSaverWindow();
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    gFakeTickCount = state.startTick + 15001;
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DispatchMessageA(&message);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(log.lines().size(), 3u);
}

TEST_F(Win98CloseCheck, IgnoresWhatArrivesWhileTheProvidersDialogIsUp)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemProvider);
    ASSERT_TRUE(provider.placed());
    ProviderLog::answer(0);
    ProviderLog::sendNestedInput(true);
    ASSERT_TRUE(SetCursorPos(300, 300));
    createSaverWindow();
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    gFakeTickCount = state.startTick + 15001;
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DispatchMessageA(&message);

    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(takeCloseRequests(window), 0) << "nested input requested nothing";
    // The nested WM_CLOSE returned 0 without a second check; the arrow stayed.
    const Lines expected = {attachLine(systemProvider),
                            "VerifyScreenSavePwd window=" + handleText(window) + " cursor=arrow",
                            "nested close=0 cursor=arrow", "detach"};
    EXPECT_EQ(log.lines(), expected);
    // The move made during the dialog became the new origin.
    EXPECT_EQ(state.cursorOrigin.x, 500);
    EXPECT_EQ(state.cursorOrigin.y, 450);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(takeCloseRequests(window), 0);
}

} // namespace
