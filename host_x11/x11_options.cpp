#include "x11_options.h"

#include "printable.h"

#include <cstring>

const char kUsage[] =
    "usage: " CINDRAL_PROGRAM_NAME " [-window | -root | -window-id ID] [-fps] [-delay MICROSECONDS]\n"
    "               [-display NAME]\n"
    "       " CINDRAL_PROGRAM_NAME " --add-to-xscreensaver | --remove-from-xscreensaver\n"
    "  -window        draw in a window of its own (the default)\n"
    "  -root          draw on the root window, or on the window named by\n"
    "                 XSCREENSAVER_WINDOW or the virtual root\n"
    "  -window-id ID  draw into the window ID (decimal, or hexadecimal with 0x)\n"
    "  -fps           show frames per second\n"
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
    "  -version       show the version\n";

namespace {

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

// "--root" and "-root" are the same option.
const char* optionName(const char* arg)
{
    if (arg[0] != '-') {
        return nullptr;
    }
    return arg[1] == '-' ? arg + 2 : arg + 1;
}

// Reads a delay: decimal digits only, at most kMaxDelayMicroseconds.
bool parseDelay(const char* text, int* microseconds)
{
    if (*text == '\0') {
        return false;
    }
    long value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const int d = digitValue(*p, 10);
        if (d < 0) {
            return false;
        }
        value = value * 10 + d;
        if (value > kMaxDelayMicroseconds) {
            return false;
        }
    }
    *microseconds = static_cast<int>(value);
    return true;
}

} // namespace

bool parseWindowId(const char* text, std::uint32_t* id)
{
    int base = 10;
    const char* p = text;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (*p == '\0') {
        return false;
    }
    std::uint64_t value = 0;
    for (; *p != '\0'; ++p) {
        const int d = digitValue(*p, base);
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

ParseOutcome parseOptions(int argc, const char* const* argv, X11Options& o, std::string& error)
{
    const auto invalid = [&error](std::string why) {
        error = std::move(why);
        return ParseOutcome::Invalid;
    };
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* name = optionName(arg);
        const bool hasValue = i + 1 < argc;
        if (name == nullptr) {
            return invalid("unexpected argument '" + printable(arg) + "'");
        } else if (std::strcmp(name, "root") == 0) {
            o.target = DrawTarget::Root;
        } else if (std::strcmp(name, "window") == 0) {
            o.target = DrawTarget::OwnWindow;
        } else if (std::strcmp(name, "window-id") == 0) {
            if (!hasValue) {
                return invalid(printable(arg) + " needs a window id");
            }
            const char* value = argv[++i];
            if (!parseWindowId(value, &o.windowId)) {
                return invalid("'" + printable(value) + "' is not a window id (decimal, or hexadecimal with 0x)");
            }
            o.target = DrawTarget::WindowId;
        } else if (std::strcmp(name, "fps") == 0) {
            o.showFps = true;
        } else if (std::strcmp(name, "no-fps") == 0) {
            o.showFps = false;
        } else if (std::strcmp(name, "delay") == 0) {
            if (!hasValue) {
                return invalid(printable(arg) + " needs a number of microseconds");
            }
            const char* value = argv[++i];
            if (!parseDelay(value, &o.delayMicroseconds)) {
                return invalid("'" + printable(value) + "' is not a delay (0 to " +
                               std::to_string(kMaxDelayMicroseconds) + " microseconds)");
            }
        } else if (std::strcmp(name, "display") == 0) {
            // An empty name would quietly fall back to DISPLAY.
            if (!hasValue || *argv[i + 1] == '\0') {
                return invalid(printable(arg) + " needs a display name");
            }
            o.displayName = argv[++i];
        } else if (std::strcmp(name, "help") == 0 || std::strcmp(name, "h") == 0) {
            return ParseOutcome::ShowHelp;
        } else if (std::strcmp(name, "version") == 0) {
            return ParseOutcome::ShowVersion;
        } else if (std::strcmp(name, "add-to-xscreensaver") == 0) {
            return ParseOutcome::AddToXScreenSaver;
        } else if (std::strcmp(name, "remove-from-xscreensaver") == 0) {
            return ParseOutcome::RemoveFromXScreenSaver;
        } else {
            return invalid("unknown option '" + printable(arg) + "'");
        }
    }
    return ParseOutcome::Run;
}

bool chooseTarget(const X11Options& options, const char* xscreensaverWindow, TargetChoice& choice,
                  std::string& error)
{
    using Kind = TargetChoice::Kind;
    choice = TargetChoice();
    switch (options.target) {
    case DrawTarget::OwnWindow:
        choice.kind = Kind::OwnWindow;
        return true;
    case DrawTarget::WindowId:
        choice.kind = Kind::GivenWindow;
        choice.id = options.windowId;
        choice.source = "-window-id";
        return true;
    case DrawTarget::Root:
        break;
    }
    // An empty value counts as unset, as an empty DISPLAY does.
    if (xscreensaverWindow == nullptr || *xscreensaverWindow == '\0') {
        choice.kind = Kind::RootWindow;
        return true;
    }
    if (!parseWindowId(xscreensaverWindow, &choice.id)) {
        error = "XSCREENSAVER_WINDOW='" + printable(xscreensaverWindow) +
                 "' is not a window id (decimal, or hexadecimal with 0x)";
        return false;
    }
    choice.kind = Kind::GivenWindow;
    choice.source = "XSCREENSAVER_WINDOW";
    return true;
}
