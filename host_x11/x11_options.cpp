#include "x11_options.h"

#include "printable.h"

const char kUsage[] =
    "usage: " CINDRAL_PROGRAM_NAME " [-window | -root | -window-id ID] [-fps | -no-fps]\n"
    "               [-delay MICROSECONDS] [-display NAME]\n"
    "       " CINDRAL_PROGRAM_NAME " --add-to-xscreensaver | --remove-from-xscreensaver\n"
    "  -window        draw in a window of its own (the default)\n"
    "  -root          draw on the root window, or on the window named by\n"
    "                 XSCREENSAVER_WINDOW or the virtual root\n"
    "  -window-id ID  draw into the window ID (decimal, or hexadecimal with 0x)\n"
    "  -fps           show frames per second\n"
    "  -no-fps        do not show them (the default)\n"
    "  -delay MICROSECONDS\n"
    "                 the least time between frames, 0 to 1000000 (default 10000:\n"
    "                 100 frames a second, the most it draws); the flame moves one\n"
    "                 step a frame, so a longer delay also slows it\n"
    "  -display NAME  the X display to use instead of DISPLAY\n"
    "  --add-to-xscreensaver\n"
    "                 put " CINDRAL_PROGRAM_NAME " into the list of your ~/.xscreensaver, once\n"
    "  --remove-from-xscreensaver\n"
    "                 take it out of that list again\n"
    "  -help          show this text\n"
    "  -version       show the version\n"
    "Each option may be written with one dash or two, a value also after '='\n"
    "(-delay=20000).\n";

namespace {

enum Option {
    kRoot,
    kWindow,
    kWindowId,
    kFps,
    kNoFps,
    kDelay,
    kDisplay,
    kAddToXScreenSaver,
    kRemoveFromXScreenSaver,
};

const OptionSpec kOptions[] = {
    {"root", kRoot},
    {"window", kWindow},
    {"window-id", kWindowId, "a window id"},
    {"fps", kFps},
    {"no-fps", kNoFps},
    {"delay", kDelay, "a number of microseconds"},
    {"display", kDisplay, "a display name"},
    {"add-to-xscreensaver", kAddToXScreenSaver, nullptr, true},
    {"remove-from-xscreensaver", kRemoveFromXScreenSaver, nullptr, true},
};

int digitValue(char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
    }
    return v < base ? v : -1;
}

bool takeOption(X11Options& o, int id, std::string_view value, std::string& error)
{
    switch (id) {
    case kRoot:
        o.target = DrawTarget::RootWindow;
        break;
    case kWindow:
        o.target = DrawTarget::OwnWindow;
        break;
    case kWindowId:
        if (!parseWindowId(value, &o.windowId)) {
            error = "'" + printable(value) + "' is not a window id (decimal, or hexadecimal with 0x)";
            return false;
        }
        o.target = DrawTarget::GivenWindow;
        break;
    case kFps:
    case kNoFps:
        o.showFps = id == kFps;
        break;
    case kDelay: {
        std::uint64_t delay = 0;
        if (!parseWholeNumber(value, kMaxDelayMicroseconds, delay)) {
            error = "'" + printable(value) + "' is not a delay (0 to " + std::to_string(kMaxDelayMicroseconds) +
                    " microseconds)";
            return false;
        }
        o.delayMicroseconds = static_cast<int>(delay);
        break;
    }
    case kDisplay:
        o.displayName = value;
        break;
    case kAddToXScreenSaver:
        o.listChange = ListChange::Add;
        break;
    case kRemoveFromXScreenSaver:
        o.listChange = ListChange::Remove;
        break;
    }
    return true;
}

} // namespace

bool parseWindowId(std::string_view text, std::uint32_t* id)
{
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        const int d = digitValue(c, base);
        if (d < 0) {
            return false;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (value > 0xFFFFFFFFu) {
            return false;
        }
    }
    if (value == 0) {
        return false;
    }
    *id = static_cast<std::uint32_t>(value);
    return true;
}

ReadOutcome readX11Options(int argc, const char* const* argv, X11Options& options, std::string& error)
{
    return readOptions(
        argc, argv, kOptions,
        [&options](int id, std::string_view value, std::string& why) { return takeOption(options, id, value, why); },
        error);
}

bool chooseTarget(const X11Options& options, const char* xscreensaverWindow, TargetChoice& choice,
                  std::string& error)
{
    choice = TargetChoice();
    choice.target = options.target;
    if (options.target == DrawTarget::GivenWindow) {
        choice.id = options.windowId;
        choice.source = "-window-id";
        return true;
    }
    // With -root only, and an empty value counts as unset, as an empty
    // DISPLAY does.
    if (options.target != DrawTarget::RootWindow || xscreensaverWindow == nullptr || *xscreensaverWindow == '\0') {
        return true;
    }
    if (!parseWindowId(xscreensaverWindow, &choice.id)) {
        error = "XSCREENSAVER_WINDOW='" + printable(xscreensaverWindow) +
                "' is not a window id (decimal, or hexadecimal with 0x)";
        return false;
    }
    choice.target = DrawTarget::GivenWindow;
    choice.source = "XSCREENSAVER_WINDOW";
    return true;
}
