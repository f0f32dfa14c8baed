#pragma once

// Helpers for the host's tests under Wine: a saver window driven with real
// messages, a clock the tests set, the stand-in password provider's log, and
// files placed into the system folder for one test.
#include "platform_queries.h"
#include "saver_globals.h"
#include "saver_state.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The tick count the saver reads while a test holds the clock.
extern DWORD gFakeTickCount;
DWORD WINAPI readFakeTickCount();

// Folder of the running test program, with a trailing backslash.
std::string programFolder();
// Full path of a file in the system folder.
std::string systemFile(const char* name);
// Where the build put the stand-in provider's PASSWORD.CPL and MPR.DLL.
std::string standInFile(const char* name);

// A file copied to `target` for the lifetime of this object; a file that
// was already there is moved aside first and put back afterwards.
class PlacedFile {
public:
    PlacedFile(const std::string& source, const std::string& target);
    ~PlacedFile();
    PlacedFile(const PlacedFile&) = delete;
    PlacedFile& operator=(const PlacedFile&) = delete;
    bool placed() const { return placed_; }

private:
    std::string target_;
    std::string original_;
    std::string backup_;
    bool placed_ = false;
};

// A file moved out of the way for the lifetime of this object.
class MovedAside {
public:
    explicit MovedAside(const std::string& path);
    ~MovedAside();
    MovedAside(const MovedAside&) = delete;
    MovedAside& operator=(const MovedAside&) = delete;

private:
    std::string original_;
    std::string backup_;
};

// The stand-in provider's log file and answers, through the environment.
class ProviderLog {
public:
    ProviderLog();
    ~ProviderLog();
    std::vector<std::string> lines() const;
    static void answer(int value);
    static void sendNestedInput(bool on);

private:
    std::string path_;
};

// "attach <path>" as the stand-in logs its loading from `path`.
std::string attachLine(const std::string& path);
// A handle as the stand-in prints it: the full-width bits in lower-case hex.
std::string handleText(HWND window);

// Every message that reached the test saver window, with the prompt flag as
// the procedure saw it.
struct SeenMessage {
    UINT message;
    WPARAM wParam;
    std::int32_t inPasswordPrompt;
};

// A fixture with one SaverState in gSaverState (defaults 15 s and 50 px, not
// prompting), gSaverMode Saver and the test clock at 1000 ms. Its windows use
// a class whose procedure records each message and hands it to
// SaverWindowProc unchanged.
class SaverWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A hidden pop-up of the recording class: hidden, so that no real
    // activation or mouse message reaches it unless a test sends one.
    HWND createSaverWindow();
    // Removes the WM_CLOSE messages posted to `window` and says how many there were.
    int takeCloseRequests(HWND window);
    // Dispatches everything that is queued; true if WM_QUIT was among it.
    bool dispatchQueued();
    int count(UINT message) const;

    SaverState state;
    std::vector<SeenMessage> seen;
    HWND window = nullptr;
};

// Runs each step in turn from inside the saver's own message loop (a thread
// timer's callback), one step per tick. If the loop is still running a good
// while after the last step, the saver window is destroyed so that the test
// ends and reports the fault instead of hanging.
class LoopScript {
public:
    explicit LoopScript(std::vector<std::function<void()>> steps);
    ~LoopScript();
    std::size_t stepsRun() const;
    // Called by a step that waits for something: it runs again next tick.
    static void again();
};
