#pragma once

// Helpers for the tests that run the Linux host as a process on an X display.

#include "process.h"

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// Fails the current test unless DISPLAY names a display: these tests never
// pass without one.
#define REQUIRE_DISPLAY()                                                                  \
    ASSERT_TRUE(std::getenv("DISPLAY") != nullptr && *std::getenv("DISPLAY") != '\0')   \
        << "needs an X display: run it through tools/with-display.sh"

// The Linux host run with `args`, its environment changed as Launch::env says.
class HostProcess : public Process {
public:
    explicit HostProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                         Stream out = Stream::Captured);
};

// A window id in hexadecimal (0x2a00007), as -window-id and
// XSCREENSAVER_WINDOW take it.
std::string hex(Window window);

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

// Waits up to `seconds` for `window` to show what `expected` names, in the
// words of the one picture check, tests/support/picture_check.py (say
// {"--stars=0,0,100,80"}); empty once it does, else what the last picture of
// it lacked.
std::string waitForPicture(Window window, double seconds, const std::vector<std::string>& expected);

// The flame in the middle, on black corners.
std::string waitForFlame(Window window, double seconds);
