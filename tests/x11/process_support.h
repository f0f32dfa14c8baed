#pragma once

// Helpers for the tests that run the Linux host as a process on an X display.

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// Fails the current test unless DISPLAY names a display: these tests never
// pass without one.
#define REQUIRE_DISPLAY()                                                                  \
    ASSERT_TRUE(std::getenv("DISPLAY") != nullptr && *std::getenv("DISPLAY") != '\0')   \
        << "needs an X display: run it through tools/with-display.sh"

struct EnvChange {
    std::string name;
    bool unset = false;
    std::string value;
};

// A running host program with its stderr captured. Killed if still running
// when destroyed.
class HostProcess {
public:
    HostProcess(const std::vector<std::string>& args, const std::vector<EnvChange>& env = {});
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    void signal(int number);

    // Waits up to `seconds` for the exit; false on a time-out (the process is
    // then killed).
    bool waitForExit(double seconds);
    // The wait status once waitForExit returned true.
    int status() const { return status_; }
    // A readable account of the exit: "exit 0", "signal 11", ...
    std::string howItEnded() const;
    // Everything written to stderr, once the process has ended.
    const std::string& errorText();

private:
    pid_t pid_ = -1;
    int stderrFd_ = -1;
    int status_ = 0;
    bool ended_ = false;
    bool drained_ = false;
    std::string errorText_;
};

// An RGB picture of a window, 8 bits a channel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    // Pixels in the rectangle that satisfy `test(r, g, b)`.
    template <class Test>
    int count(int x0, int y0, int x1, int y1, Test test) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const std::uint8_t* p = at(x, y);
                n += test(p[0], p[1], p[2]) ? 1 : 0;
            }
        }
        return n;
    }
};

// The test's own connection to the display.
class TestDisplay {
public:
    TestDisplay();
    ~TestDisplay();
    Display* get() const { return display_; }
    bool ok() const { return display_ != nullptr; }

    // A mapped window of the default visual with a black background.
    Window makeWindow(int x, int y, int width, int height);
    void destroyWindow(Window window);
    bool windowExists(Window window);
    // The top-level window carrying _NET_WM_PID == pid, waiting for it to
    // appear; None on a time-out.
    Window findWindowOfProcess(pid_t pid, double seconds);
    Picture capture(Window window);
    // Sends a KeyPress, a ButtonPress, or (ClientMessage) the window
    // manager's WM_DELETE_WINDOW to the window.
    void sendEvent(Window window, int type);
    void setVirtualRoot(Window window, Window vroot);

private:
    Display* display_ = nullptr;
};

// Warm bright: strong red, red over green over blue: a flame's colours.
bool isWarmBright(std::uint8_t r, std::uint8_t g, std::uint8_t b);
bool isNearBlack(std::uint8_t r, std::uint8_t g, std::uint8_t b);
// A star seen through the fog: grey of no particular hue, clearly above black.
bool isFaintGrey(std::uint8_t r, std::uint8_t g, std::uint8_t b);

// What a flame looks like: warm bright pixels in the middle half of the
// picture, near-black corners. Returns an empty string when it holds, else
// what is missing.
std::string describeMissingFlame(const Picture& picture);

// Captures `window` until `describeMissing` returns an empty string or
// `seconds` pass; returns the last verdict.
std::string waitForPicture(TestDisplay& display, Window window, double seconds,
                           const std::function<std::string(const Picture&)>& describeMissing);

// waitForPicture with describeMissingFlame.
std::string waitForFlame(TestDisplay& display, Window window, double seconds);

void sleepSeconds(double seconds);
