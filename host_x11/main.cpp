// The Linux host: the flame on X11, in a window of its own, on the root window,
// or in a window handed over by a screen saver daemon.

#include "cindral_version.h"
#include "fps_overlay.h"
#include "frame_pacer.h"
#include "frame_pacing.h"
#include "printable.h"
#include "program_shell.h"
#include "scene.h"
#include "signal_end.h"
#include "x11_errors.h"
#include "x11_options.h"
#include "x11_window.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The stop signal that arrived (SIGTERM or SIGINT), 0 while none has.
volatile std::sig_atomic_t gStopSignal = 0;

void onStopSignal(int number)
{
    gStopSignal = number;
}

void installStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal cuts the frame's sleep short.
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// After a stop signal, once everything is closed, ends the process by that
// signal's default action, as if it had never been caught: XScreenSaver ends
// its hacks with SIGTERM and logs a hack that exits instead, even with code 0,
// as ending abnormally. Otherwise returns `code`.
int finish(int code)
{
    const int number = gStopSignal;
    if (number == 0) {
        return code;
    }
    // Dying by a signal skips the flush that returning from main does.
    std::fflush(nullptr);
    endBySignal(number);
    return code;
}

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

std::int64_t monotonicNanos()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNanosPerSecond + now.tv_nsec;
}

// Sleeps until `deadline` on the monotonic clock, or until a stop signal.
void sleepUntil(std::int64_t deadline)
{
    timespec until;
    until.tv_sec = static_cast<time_t>(deadline / kNanosPerSecond);
    until.tv_nsec = static_cast<long>(deadline % kNanosPerSecond);
    while (!gStopSignal &&
           clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// Draws until a stop signal, a close request or the loss of the window, at
// the window's current size. Returns true when the window was lost.
bool runFrames(GlSurface& surface, bool showFps, FrameRateMeter& meter)
{
    FramePacer pacer(kNanosPerSecond);
    pacer.firstFrameAt(monotonicNanos());
    int viewWidth = surface.width;
    int viewHeight = surface.height;
    while (!gStopSignal) {
        const SurfaceEvent event = handlePendingEvents(surface);
        if (event == SurfaceEvent::CloseRequested) {
            return false;
        }
        if (event == SurfaceEvent::WindowDestroyed || watchedWindowLost()) {
            return true;
        }
        if (unexpectedX11Error()) {
            return false;
        }
        if (surface.width != viewWidth || surface.height != viewHeight) {
            resizeScene(surface.width, surface.height);
            viewWidth = surface.width;
            viewHeight = surface.height;
        }
        renderFrame();
        if (showFps) {
            drawFpsOverlay(meter.framesPerSecond(), surface.width, surface.height);
        }
        glXSwapBuffers(surface.display, surface.window);
        const std::int64_t shown = monotonicNanos();
        meter.frameShown(shown);
        const std::int64_t due = pacer.nextFrameDue(shown);
        if (due > shown) {
            sleepUntil(due);
        }
    }
    return false;
}

int run(int argc, char** argv)
{
    X11Options options;
    std::string error;
    const ParseOutcome outcome = parseOptions(argc, argv, options, error);
    if (outcome == ParseOutcome::ShowHelp) {
        return printOnStdout(kUsage);
    }
    if (outcome == ParseOutcome::ShowVersion) {
        return printOnStdout(CINDRAL_PROGRAM_NAME " " CINDRAL_VERSION "\n");
    }
    if (outcome == ParseOutcome::Invalid) {
        return failWith(kExitBadInput, error + " (see " CINDRAL_PROGRAM_NAME " -help)");
    }

    TargetChoice choice;
    if (!chooseTarget(options, std::getenv("XSCREENSAVER_WINDOW"), choice, error)) {
        return failWith(kExitBadInput, error);
    }

    const char* displayName =
        options.displayName.empty() ? std::getenv("DISPLAY") : options.displayName.c_str();
    if (displayName == nullptr || *displayName == '\0') {
        return failWith(kExitBadInput, "DISPLAY is not set: run it inside an X session or give -display");
    }
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        return failWith(kExitBadInput, "cannot open display '" + printable(displayName) + "'");
    }
    installX11ErrorHandlers();

    GlSurface surface;
    const SurfaceStatus status = openSurface(display, choice, &surface, error);
    if (status != SurfaceStatus::Ready) {
        closeSurface(surface, true);
        XCloseDisplay(display);
        return failWith(status == SurfaceStatus::WindowUnusable ? kExitBadInput : kExitFailure, error);
    }

    initScene(surface.width, surface.height);
    watchWindowForErrors(surface.window);
    FrameRateMeter meter;
    const bool windowLost = runFrames(surface, options.showFps, meter);
    const bool failed = unexpectedX11Error() && !windowLost;
    // Errors from taking down a window that may be gone mean nothing now.
    watchWindowForErrors(None);
    closeSurface(surface, windowLost || watchedWindowLost());
    XCloseDisplay(display);

    const char* report = std::getenv("CINDRAL_FRAME_REPORT");
    if (report != nullptr && *report != '\0') {
        std::fprintf(stderr, CINDRAL_PROGRAM_NAME ": frames=%lld seconds=%.3f fps=%.2f\n", meter.totalFrames(),
                     meter.secondsShown(), meter.averageFramesPerSecond());
    }
    return failed ? kExitFailure : 0;
}

} // namespace

int main(int argc, char** argv)
{
    // First, so that a screen saver daemon stopping it at once still gets the
    // window and the display closed before it ends.
    installStopHandlers();
    return finish(runProgram(CINDRAL_PROGRAM_NAME, [&] { return run(argc, argv); }));
}
