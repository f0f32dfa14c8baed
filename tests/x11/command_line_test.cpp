// The Linux host refusing what it cannot use, and ending when its display goes.

// GoogleTest before Xlib, whose None and Bool macros clash with it.
#include <gtest/gtest.h>

#include "process_support.h"

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

struct BadInput {
    std::vector<std::string> args;
    std::vector<std::string> env;
    std::string says;  // empty: nothing on stderr
    std::string ending = "exit 2";
    Stream out = Stream::Captured;
};

// Runs each case and expects its ending (exit code 2 by default) with one
// line on stderr that says what was wrong.
void expectEachRefused(const std::vector<BadInput>& cases)
{
    for (const BadInput& c : cases) {
        const std::string shown = ::testing::PrintToString(c.args);
        HostProcess host(c.args, c.env, c.out);
        ASSERT_TRUE(host.waitForExit(5.0)) << shown << ": still running";
        EXPECT_EQ(host.howItEnded(), c.ending) << shown << ": " << host.errorText();
        const std::string& text = host.errorText();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.says.empty() ? 0 : 1) << shown << ": " << text;
        EXPECT_EQ(text.empty() ? '\n' : text.back(), '\n') << shown;
        EXPECT_NE(text.find(c.says), std::string::npos) << shown << ": " << text;
    }
}

} // namespace

TEST(CommandLine, BadInputGivesExitTwoAndAFailedStandardOutputExitOneEachWithOneLine)
{
    // A home whose ~/.xscreensaver has no Cindral in its list.
    char home[] = "/tmp/cindral-home-XXXXXX";
    std::ofstream(mkdtemp(home) + std::string("/.xscreensaver")) << "programs: maze --root \\n\n";
    expectEachRefused({
        // One of each kind: the reader's and the options' own tests have
        // them all.
        {{"-bogus"}, {}, "unknown option '-bogus'"},
        {{"-window-id"}, {}, "needs a window id"},
        {{"-window-id", "12ab"}, {}, "'12ab' is not a window id"},
        {{"-root"}, {"XSCREENSAVER_WINDOW=12ab"}, "XSCREENSAVER_WINDOW='12ab'"},
        {{}, {"DISPLAY", "XSCREENSAVER_WINDOW"}, "DISPLAY is not set"},
        {{}, {"DISPLAY="}, "DISPLAY is not set"},
        {{}, {"DISPLAY=:4093"}, "cannot open display ':4093'"},
        {{"-display", ":4093"}, {}, "cannot open display ':4093'"},
        // An empty name would otherwise fall back to DISPLAY unnoticed.
        {{"-display", ""}, {}, "-display needs a display name"},
        // Line breaks and other control characters are shown escaped.
        {{"-window-id", "1\n2"}, {}, "'1\\n2' is not a window id"},
        {{"-root"}, {"XSCREENSAVER_WINDOW=0x1\n"}, "XSCREENSAVER_WINDOW='0x1\\n'"},
        {{"-bogus\x1b[2J"}, {}, "unknown option '-bogus\\x1b[2J'"},
        // So are C1 controls, bidirectional controls and bytes that are not UTF-8.
        {{"-root"},
         {"XSCREENSAVER_WINDOW=\xc2\x9b" "2J\xe2\x80\xae\xff"},
         "XSCREENSAVER_WINDOW='\\u{9b}2J\\u{202e}\\xff'"},
        // The list changed, but standard output cannot say so.
        {{"--add-to-xscreensaver"}, {"HOME=" + std::string(home)},
         "cannot write standard output: No space left on device; " + std::string(home) + "/.xscreensaver was changed all the same",
         "exit 1", Stream::Full},
    });
    std::filesystem::remove_all(home);
}

TEST(CommandLine, MissingWindowsGiveExitTwoWithOneLineAndVanishingOnesEndQuietly)
{
    REQUIRE_DISPLAY();
    // In the id range of the display's last possible client.
    const char* missing = "0x1ffffff0";
    TestDisplay display;
    ASSERT_TRUE(display.ok());
    const Window inputOnly = XCreateWindow(display.get(), DefaultRootWindow(display.get()), 0, 0, 10, 10, 0, 0,
                                           InputOnly, CopyFromParent, 0, nullptr);
    XSync(display.get(), False);
    const Window doomed = display.makeWindow(0, 0, 64, 48);
    expectEachRefused({
        {{"-window-id", hex(inputOnly)}, {}, "window " + hex(inputOnly) + " (from -window-id) is an InputOnly window"},
        {{"-root"}, {"XSCREENSAVER_WINDOW=" + hex(inputOnly)}, "(from XSCREENSAVER_WINDOW) is an InputOnly window"},
        {{"-window-id", missing}, {}, "window 0x1ffffff0 (from -window-id) does not exist"},
        {{"-window-id", "536870896"}, {}, "window 0x1ffffff0 (from -window-id) does not exist"},
        {{"-root"},
         {"XSCREENSAVER_WINDOW=" + std::string(missing)},
         "window 0x1ffffff0 (from XSCREENSAVER_WINDOW) does not exist"},
        // Destroyed while it sets up: gone, as later, so it ends quietly.
        {{"-window-id", hex(doomed)},
         {"LD_PRELOAD=" CINDRAL_DESTROY_WINDOW_SHIM, "CINDRAL_TEST_DESTROY_WINDOW=" + hex(doomed)},
         "",
         "exit 0"},
    });
}

TEST(CommandLine, LosingTheDisplayEndsItWithExitZero)
{
    // A display of its own, since this one is killed. Xvfb writes the
    // number it chose as a line, possibly in pieces.
    Process server(Launch{{"Xvfb", "-displayfd", "1", "-screen", "0", "320x240x24", "-nolisten", "tcp"}});
    waitUntil(20, [&] { return server.output().find('\n') != std::string::npos || !server.running(); });
    ASSERT_NE(server.output().find('\n'), std::string::npos) << "Xvfb did not start: " << server.errorText();
    const std::string name = ":" + server.output().substr(0, server.output().find('\n'));

    HostProcess host({"-display", name});
    sleepSeconds(1.0);
    EXPECT_TRUE(host.running()) << host.howItEnded() << ": " << host.errorText();
    server.signal(SIGTERM);
    server.waitForExit(5.0);
    ASSERT_TRUE(host.waitForExit(5.0)) << "still running without its display";
    EXPECT_EQ(host.howItEnded(), "exit 0") << host.errorText();
    EXPECT_NE(host.errorText().find("lost the connection"), std::string::npos) << host.errorText();
}
