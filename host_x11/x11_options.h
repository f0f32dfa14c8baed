#pragma once

#include <cstdint>
#include <string>

// Where the flame is drawn.
enum class DrawTarget {
    OwnWindow,  // a window of its own (the default)
    Root,       // the root window, or the virtual root a screen saver provides
    WindowId,   // a window named on the command line
};

// -delay: the least time between frames, in microseconds, as XScreenSaver's
// programs take it. The default is the cap, kMaxFramesPerSecond frames a
// second; a shorter delay does not raise the rate above the cap. The longest
// is a second: the window's input is read between frames.
constexpr int kDefaultDelayMicroseconds = 10'000;
constexpr int kMaxDelayMicroseconds = 1'000'000;

struct X11Options {
    DrawTarget target = DrawTarget::OwnWindow;
    std::uint32_t windowId = 0;  // with DrawTarget::WindowId
    bool showFps = false;
    int delayMicroseconds = kDefaultDelayMicroseconds;
    std::string displayName;     // empty: the DISPLAY environment variable
};

enum class ParseOutcome {
    Run,
    ShowHelp,
    ShowVersion,
    // Put the program into, or take it out of, the user's XScreenSaver list.
    AddToXScreenSaver,
    RemoveFromXScreenSaver,
    Invalid,
};


// Reads the command line (argv[0] is the program and is skipped) into
// `options`; on Invalid, `error` says why in one line. Each option may be
// written with one dash or two; of -root, -window and -window-id the last one
// given wins. -help, -version and the two XScreenSaver list commands end the
// parse: what follows them is not read.
ParseOutcome parseOptions(int argc, const char* const* argv, X11Options& options, std::string& error);

// Reads a window id: decimal digits, or 0x followed by hexadecimal digits,
// nothing else, non-zero and at most 32 bits.
bool parseWindowId(const char* text, std::uint32_t* id);

// The window to draw into, once the environment is taken into account.
struct TargetChoice {
    enum class Kind {
        OwnWindow,
        GivenWindow,  // `id`, named by `source`
        RootWindow,   // the virtual root if there is one, else the real root
    };
    Kind kind = Kind::OwnWindow;
    std::uint32_t id = 0;
    const char* source = "";
};

// With -root, a window named by the XSCREENSAVER_WINDOW environment variable
// (`xscreensaverWindow`, null or empty when unset) is drawn into instead of the root:
// that is how the screen saver daemon hands its window to the program. The
// variable is not consulted otherwise. Returns false, with `error` set, when
// it is consulted and is not a window id.
bool chooseTarget(const X11Options& options, const char* xscreensaverWindow, TargetChoice& choice,
                  std::string& error);

extern const char kUsage[];
