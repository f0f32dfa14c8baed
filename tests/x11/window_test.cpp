// The Linux host as a process on the test display: where it draws, what it draws
// and how it ends.

// GoogleTest before Xlib, whose None and Bool macros clash with it.
#include <gtest/gtest.h>

#include "process_support.h"

#include <signal.h>

#include <cstdlib>

namespace {

constexpr double kStartSeconds = 10.0;  // software GL on a busy two-core machine
constexpr double kExitSeconds = 5.0;

int exactWhitePixels(const Picture& p, int x0, int y0, int x1, int y1)
{
    return p.count(x0, y0, x1, y1, [](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return r == 255 && g == 255 && b == 255;
    });
}

// The rate overlay's corner: "100.0 fps" in 10 × 14 pixel glyphs, 8 pixels in.
int whiteInRateCorner(const Picture& p)
{
    return exactWhitePixels(p, 0, p.height - 32, 140, p.height);
}

constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;
constexpr int kResizedWidth = 1000;
constexpr int kResizedHeight = 700;

// A view left at the start size covers only the bottom-left 800x600 of the
// resized window and leaves a strip on the right and one at the top black:
// stars must reach into both (20 pixels clear of the first picture's
// edges), and the flame must stay in the middle.
const std::vector<std::string> kFilledAfterResize = {"--flame=middle", "--black=corners", "--stars=820,0,180,700",
                                                     "--stars=0,0,1000,80"};

class X11Host : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DISPLAY();
        ASSERT_TRUE(display.ok()) << "cannot open the display " << std::getenv("DISPLAY");
    }

    // Expects the process to end as `ending` says ("exit 0", "signal 15")
    // and with nothing on stderr.
    void expectEnd(HostProcess& host, const std::string& ending, const std::string& what)
    {
        ASSERT_TRUE(host.waitForExit(kExitSeconds)) << what << ": still running after "
                                                    << kExitSeconds << " s";
        EXPECT_EQ(host.howItEnded(), ending) << what << ": " << host.errorText();
        EXPECT_EQ(host.errorText(), "") << what;
    }

    void expectCleanExit(HostProcess& host, const std::string& what)
    {
        expectEnd(host, "exit 0", what);
    }

    // Sends SIGTERM, as a screen saver daemon does, and expects the process
    // to die of it.
    void stopAsTheDaemonDoes(HostProcess& host)
    {
        host.signal(SIGTERM);
        expectEnd(host, "signal " + std::to_string(SIGTERM), "SIGTERM");
    }

    TestDisplay display;
};

using OwnWindow = X11Host;
using GivenWindow = X11Host;
using RootWindow = X11Host;
using Resizing = X11Host;

} // namespace

TEST_F(OwnWindow, ShowsAMovingFlameInTheMiddleOnBlack)
{
    HostProcess host({});
    const Window window = display.findWindowOfProcess(host.pid(), kStartSeconds);
    ASSERT_NE(window, None) << "no window with the process's _NET_WM_PID";
    EXPECT_EQ(waitForFlame(window, kStartSeconds), "");

    const Picture before = display.capture(window);
    sleepSeconds(0.3);
    const Picture after = display.capture(window);
    ASSERT_EQ(before.rgb.size(), after.rgb.size());
    size_t changed = 0;
    for (size_t i = 0; i < before.rgb.size(); ++i) {
        changed += before.rgb[i] != after.rgb[i];
    }
    EXPECT_GT(changed, before.rgb.size() / 200) << "the picture hardly changed in 0.3 s";
    EXPECT_LT(whiteInRateCorner(after), 20) << "a rate overlay without -fps";

    stopAsTheDaemonDoes(host);
}

TEST_F(OwnWindow, FpsWritesTheRateInTheBottomLeftCornerAndKeepsTheFlame)
{
    HostProcess host({"-fps"});
    const Window window = display.findWindowOfProcess(host.pid(), kStartSeconds);
    ASSERT_NE(window, None);
    EXPECT_EQ(waitForFlame(window, kStartSeconds), "");
    // The overlay is exact white, which the additive, fogged sprites hardly
    // ever reach.
    const Picture picture = display.capture(window);
    EXPECT_GT(whiteInRateCorner(picture), 100);
    EXPECT_EQ(exactWhitePixels(picture, picture.width - 140, 0, picture.width, 32), 0)
        << "white in the top-right corner";
    stopAsTheDaemonDoes(host);
}

TEST_F(OwnWindow, AKeyAClickOrTheWindowManagerClosesItWithExitZero)
{
    struct Row {
        const char* what;
        int type;
    };
    const Row rows[] = {
        {"key press", KeyPress},
        {"button press", ButtonPress},
        {"WM_DELETE_WINDOW", ClientMessage},
    };
    for (const Row& r : rows) {
        HostProcess host({});
        const Window window = display.findWindowOfProcess(host.pid(), kStartSeconds);
        ASSERT_NE(window, None) << r.what;
        sleepSeconds(0.3);
        display.sendEvent(window, r.type);
        expectCleanExit(host, r.what);
        EXPECT_FALSE(display.windowExists(window)) << r.what << ": the window outlived the process";
    }
}

TEST_F(OwnWindow, SigtermAndSigintEndItByThatSignalOnceItHasClosedDown)
{
    for (int number : {SIGTERM, SIGINT}) {
        // The frame report is written after the window and the display are
        // closed: it shows that the signal was caught and the process ended
        // by it only afterwards.
        HostProcess host({}, {"CINDRAL_FRAME_REPORT=1"});
        ASSERT_NE(display.findWindowOfProcess(host.pid(), kStartSeconds), None) << number;
        sleepSeconds(0.3);
        host.signal(number);
        ASSERT_TRUE(host.waitForExit(kExitSeconds)) << "signal " << number << ": still running";
        EXPECT_EQ(host.howItEnded(), "signal " + std::to_string(number)) << host.errorText();
        EXPECT_EQ(host.errorText().rfind(CINDRAL_PROGRAM_NAME ": frames=", 0), 0u)
            << "signal " << number << ": " << host.errorText();
    }
}

TEST_F(GivenWindow, WindowIdDrawsIntoThatWindowAndOpensNoOther)
{
    const Window target = display.makeWindow(600, 420, 320, 240);
    HostProcess host({"-window-id", hex(target)});
    EXPECT_EQ(waitForFlame(target, kStartSeconds), "");
    EXPECT_EQ(display.findWindowOfProcess(host.pid(), 0.2), None);
    stopAsTheDaemonDoes(host);
    EXPECT_TRUE(display.windowExists(target)) << "a window it was lent must outlive it";
    display.destroyWindow(target);
}

TEST_F(GivenWindow, DestroyingTheWindowEndsItWithExitZero)
{
    const Window target = display.makeWindow(600, 420, 320, 240);
    HostProcess host({"-window-id", hex(target)});
    EXPECT_EQ(waitForFlame(target, kStartSeconds), "");
    display.destroyWindow(target);
    expectCleanExit(host, "window destroyed");
}

TEST_F(GivenWindow, ScreensaverWindowVariableTakesPrecedenceOverTheVirtualRoot)
{
    const Window vroot = display.makeWindow(20, 20, 320, 240);
    display.setVirtualRoot(vroot, vroot);
    const Window target = display.makeWindow(600, 420, 320, 240);
    HostProcess host({"-root"}, {"XSCREENSAVER_WINDOW=" + std::to_string(target)});
    EXPECT_EQ(waitForFlame(target, kStartSeconds), "");
    const Picture untouched = display.capture(vroot);
    EXPECT_EQ(untouched.rgb, std::vector<std::uint8_t>(untouched.rgb.size(), 0))
        << "it drew into the virtual root too";
    stopAsTheDaemonDoes(host);
    display.destroyWindow(target);
    display.destroyWindow(vroot);
}

TEST_F(RootWindow, RootDrawsIntoTheVirtualRootWhenThereIsOne)
{
    const Window vroot = display.makeWindow(600, 420, 320, 240);
    display.setVirtualRoot(vroot, vroot);
    HostProcess host({"-root"}, {"XSCREENSAVER_WINDOW"});
    EXPECT_EQ(waitForFlame(vroot, kStartSeconds), "");
    stopAsTheDaemonDoes(host);
    display.destroyWindow(vroot);
}

TEST_F(RootWindow, RootDrawsOnTheRootWindowWithoutAVirtualRoot)
{
    HostProcess host({"-root"}, {"XSCREENSAVER_WINDOW"});
    const Window root = DefaultRootWindow(display.get());
    EXPECT_EQ(waitForFlame(root, kStartSeconds), "");
    stopAsTheDaemonDoes(host);
    // Nothing repaints the root by itself: leave it black for later tests.
    XClearWindow(display.get(), root);
    XSync(display.get(), False);
}

TEST_F(Resizing, EveryKindOfWindowIsDrawnToItsNewEdgesAfterAResize)
{
    enum class Kind { Own, WindowId, ScreensaverWindow };
    struct Row {
        const char* what;
        Kind kind;
    };
    const Row rows[] = {
        {"own window", Kind::Own},
        {"-window-id", Kind::WindowId},
        {"-root with XSCREENSAVER_WINDOW", Kind::ScreensaverWindow},
    };
    for (const Row& r : rows) {
        Window window = None;
        std::vector<std::string> args;
        std::vector<std::string> env;
        if (r.kind != Kind::Own) {
            window = display.makeWindow(0, 0, kStartWidth, kStartHeight);
            if (r.kind == Kind::WindowId) {
                args = {"-window-id", hex(window)};
            } else {
                args = {"-root"};
                env = {"XSCREENSAVER_WINDOW=" + hex(window)};
            }
        }
        HostProcess host(args, env);
        if (r.kind == Kind::Own) {
            window = display.findWindowOfProcess(host.pid(), kStartSeconds);
            ASSERT_NE(window, None) << r.what;
        }
        ASSERT_EQ(waitForFlame(window, kStartSeconds), "") << r.what;

        XResizeWindow(display.get(), window, kResizedWidth, kResizedHeight);
        XSync(display.get(), False);
        EXPECT_EQ(waitForPicture(window, kStartSeconds, kFilledAfterResize), "")
            << r.what;

        stopAsTheDaemonDoes(host);
        if (r.kind != Kind::Own) {
            display.destroyWindow(window);
        }
    }
}
