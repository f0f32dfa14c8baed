#include "x11_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ParsedOptions {
    ReadOutcome outcome;
    X11Options options;
    std::string error;
};

ParsedOptions parse(std::vector<const char*> args)
{
    args.insert(args.begin(), CINDRAL_PROGRAM_NAME);
    ParsedOptions parsed;
    parsed.outcome = readX11Options(static_cast<int>(args.size()), args.data(), parsed.options, parsed.error);
    return parsed;
}

} // namespace

TEST(Options, AcceptedCommandLinesSetTargetWindowFpsDelayAndDisplay)
{
    struct Row {
        std::vector<const char*> args;
        DrawTarget target;
        std::uint32_t windowId;
        bool fps;
        const char* display;
        int delay = kDefaultDelayMicroseconds;
    };
    const Row rows[] = {
        {{}, DrawTarget::OwnWindow, 0, false, ""},
        {{"-window"}, DrawTarget::OwnWindow, 0, false, ""},
        {{"-root"}, DrawTarget::RootWindow, 0, false, ""},
        {{"--root"}, DrawTarget::RootWindow, 0, false, ""},
        {{"--fps", "--no-fps"}, DrawTarget::OwnWindow, 0, false, ""},
        {{"-window-id", "12345"}, DrawTarget::GivenWindow, 12345, false, ""},
        {{"--window-id", "0x2a00003"}, DrawTarget::GivenWindow, 0x2a00003, false, ""},
        {{"-window-id", "0xffffffff"}, DrawTarget::GivenWindow, 0xffffffffu, false, ""},
        {{"-window-id", "4294967295"}, DrawTarget::GivenWindow, 0xffffffffu, false, ""},
        {{"-window-id", "007"}, DrawTarget::GivenWindow, 7, false, ""},
        // The last of -root, -window and -window-id wins.
        {{"-window-id", "9", "-root"}, DrawTarget::RootWindow, 9, false, ""},
        {{"-root", "-window"}, DrawTarget::OwnWindow, 0, false, ""},
        {{"-display", ":3", "-fps"}, DrawTarget::OwnWindow, 0, true, ":3"},
        {{"--root", "--delay", "25000"}, DrawTarget::RootWindow, 0, false, "", 25000},
        {{"-delay", "0"}, DrawTarget::OwnWindow, 0, false, "", 0},
        {{"-delay", "1000000", "-delay", "020000"}, DrawTarget::OwnWindow, 0, false, "", 20000},
    };
    for (const Row& r : rows) {
        const ParsedOptions p = parse(r.args);
        const std::string line = ::testing::PrintToString(r.args);
        ASSERT_EQ(p.outcome, ReadOutcome::Run) << line << ": " << p.error;
        EXPECT_EQ(p.options.target, r.target) << line;
        if (r.target == DrawTarget::GivenWindow) {
            EXPECT_EQ(p.options.windowId, r.windowId) << line;
        }
        EXPECT_EQ(p.options.showFps, r.fps) << line;
        EXPECT_EQ(p.options.displayName, r.display) << line;
        EXPECT_EQ(p.options.delayMicroseconds, r.delay) << line;
    }
}

TEST(Options, RejectedCommandLinesSayWhyInOneLine)
{
    struct Row {
        std::vector<const char*> args;
        const char* reason;
    };
    const Row rows[] = {
        {{"-window-id"}, "-window-id needs a window id"},
        {{"-window-id", ""}, "-window-id needs a window id"},
        {{"-window-id", "12ab"}, "'12ab' is not a window id"},
        {{"-window-id", "0x"}, "'0x' is not a window id"},
        {{"-window-id", "-5"}, "'-5' is not a window id"},
        {{"-window-id", " 5"}, "' 5' is not a window id"},
        {{"-window-id", "0"}, "'0' is not a window id"},
        {{"-window-id", "4294967296"}, "'4294967296' is not a window id"},
        {{"-window-id", "0x100000000"}, "'0x100000000' is not a window id"},
        {{"-window-id", "99999999999999999999999"}, "is not a window id"},
        {{"-fps", "-window-id", "1.5"}, "'1.5' is not a window id"},
        {{"-delay"}, "-delay needs a number of microseconds"},
        {{"-delay", "1000001"}, "'1000001' is not a delay (0 to 1000000 microseconds)"},
        {{"-delay", "99999999999999999999"}, "is not a delay"},
        {{"-delay", "-5"}, "'-5' is not a delay"},
        {{"-delay", "1e4"}, "'1e4' is not a delay"},
        {{"-delay", ""}, "-delay needs a number of microseconds"},
    };
    for (const Row& r : rows) {
        const ParsedOptions p = parse(r.args);
        const std::string line = ::testing::PrintToString(r.args);
        ASSERT_EQ(p.outcome, ReadOutcome::Invalid) << line;
        EXPECT_NE(p.error.find(r.reason), std::string::npos) << line << ": " << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << line;
    }
}

TEST(Options, TheListCommandsEndTheReadingAndTheLastOneCounts)
{
    struct Row {
        std::vector<const char*> args;
        ListChange change;
    };
    const Row rows[] = {
        {{"--add-to-xscreensaver"}, ListChange::Add},
        {{"-remove-from-xscreensaver", "-bogus"}, ListChange::Remove},
        {{"-fps", "--remove-from-xscreensaver", "--add-to-xscreensaver"}, ListChange::Remove},
    };
    for (const Row& r : rows) {
        const ParsedOptions p = parse(r.args);
        ASSERT_EQ(p.outcome, ReadOutcome::Run) << ::testing::PrintToString(r.args) << ": " << p.error;
        EXPECT_EQ(p.options.listChange, r.change) << ::testing::PrintToString(r.args);
    }
}

TEST(TargetChoice, ScreensaverWindowVariableReplacesTheRootOnlyWithRoot)
{
    using Kind = DrawTarget;
    struct Row {
        DrawTarget target;
        std::uint32_t windowId;
        const char* variable;
        Kind kind;
        std::uint32_t id;
        const char* source;
    };
    const Row rows[] = {
        {DrawTarget::RootWindow, 0, nullptr, Kind::RootWindow, 0, ""},
        {DrawTarget::RootWindow, 0, "", Kind::RootWindow, 0, ""},
        {DrawTarget::RootWindow, 0, "0x400001", Kind::GivenWindow, 0x400001, "XSCREENSAVER_WINDOW"},
        {DrawTarget::RootWindow, 0, "4194305", Kind::GivenWindow, 4194305, "XSCREENSAVER_WINDOW"},
        {DrawTarget::OwnWindow, 0, "0x400001", Kind::OwnWindow, 0, ""},
        {DrawTarget::OwnWindow, 0, "garbage", Kind::OwnWindow, 0, ""},
        {DrawTarget::GivenWindow, 77, "0x400001", Kind::GivenWindow, 77, "-window-id"},
    };
    for (const Row& r : rows) {
        X11Options options;
        options.target = r.target;
        options.windowId = r.windowId;
        TargetChoice choice;
        std::string error;
        const char* shown = r.variable ? r.variable : "(unset)";
        ASSERT_TRUE(chooseTarget(options, r.variable, choice, error)) << shown << ": " << error;
        EXPECT_EQ(choice.target, r.kind) << shown;
        EXPECT_EQ(choice.id, r.id) << shown;
        EXPECT_STREQ(choice.source, r.source) << shown;
    }
}

TEST(TargetChoice, MalformedScreensaverWindowVariableIsRejectedWithRoot)
{
    for (const char* variable : {"12ab", "0x", "-1", "4294967296", "0"}) {
        X11Options options;
        options.target = DrawTarget::RootWindow;
        TargetChoice choice;
        std::string error;
        EXPECT_FALSE(chooseTarget(options, variable, choice, error)) << variable;
        EXPECT_NE(error.find("XSCREENSAVER_WINDOW"), std::string::npos) << variable << ": " << error;
    }
}
