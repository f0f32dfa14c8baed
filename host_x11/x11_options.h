#pragma once

#include "command_options.h"
#include "xscreensaver_list.h"

#include <cstdint>
#include <optional>
#include <string>

// Where the flame is drawn.
enum class DrawTarget {
    OwnWindow,   // a window of its own (the default)
    GivenWindow, // a window someone else made, named by its id
    RootWindow,  // the virtual root if there is one, else the real root
};


// -delay: the least time between frames, in microseconds, as XScreenSaver's
// programs take it. The default is the cap, kMaxFramesPerSecond frames a
// second; a shorter delay does not raise the rate above the cap. The longest
// is a second: the window's input is read between frames.
constexpr int kDefaultDelayMicroseconds = 10'000;
constexpr int kMaxDelayMicroseconds = 1'000'000;

struct X11Options {
    DrawTarget target = DrawTarget::OwnWindow; // -window, -root or -window-id
    std::uint32_t windowId = 0;                // with -window-id
    bool showFps = false;
    int delayMicroseconds = kDefaultDelayMicroseconds;
    std::string displayName;     // empty: the DISPLAY environment variable
    // Instead of drawing, put the program into or take it out of the
    // user's XScreenSaver list.
    std::optional<ListChange> listChange;
};

// Reads the command line (argv[0] is the program and is skipped) into
// `options` with the reader of command_options.h; on Invalid, `error` says
// why in one line. Of -root, -window and -window-id the last one given wins.
// The two XScreenSaver list commands end the reading: what follows them is
// not read.
ReadOutcome readX11Options(int argc, const char* const* argv, X11Options& options, std::string& error);

// Reads a window id: decimal digits, or 0x followed by hexadecimal digits,
// nothing else, non-zero and at most 32 bits.
bool parseWindowId(std::string_view text, std::uint32_t* id);

// The window to draw into, once the environment is taken into account.
struct TargetChoice {
    DrawTarget target = DrawTarget::OwnWindow;
    std::uint32_t id = 0;   // with GivenWindow
    const char* source = ""; // what named it: "-window-id" or "XSCREENSAVER_WINDOW"
};

// With -root, a window named by the XSCREENSAVER_WINDOW environment variable
// (`xscreensaverWindow`, null or empty when unset) is drawn into instead of the root:
// that is how the screen saver daemon hands its window to the program. The
// variable is not consulted otherwise. Returns false, with `error` set, when
// it is consulted and is not a window id.
bool chooseTarget(const X11Options& options, const char* xscreensaverWindow, TargetChoice& choice,
                  std::string& error);

extern const char kUsage[];
