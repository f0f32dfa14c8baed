// The Linux host: the flame on X11, in a window of its own, on the root window,
// or in a window handed over by a screen saver daemon.

#include "cindral_version.h"
#include "fps_overlay.h"
#include "frame_pacing.h"
#include "printable.h"
#include "program_shell.h"
#include "scene.h"
#include "signal_end.h"
#include "x11_errors.h"
#include "x11_options.h"
#include "x11_window.h"
#include "xscreensaver_list.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <string>

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

// Where XScreenSaver's defaults for new users are kept: Debian's place first.
const char* const kAppDefaultsFiles[] = {
    "/etc/X11/app-defaults/XScreenSaver",
    "/usr/share/X11/app-defaults/XScreenSaver",
    "/usr/lib/X11/app-defaults/XScreenSaver",
};

// --add-to-xscreensaver and --remove-from-xscreensaver: ~/.xscreensaver is
// found as XScreenSaver finds it, through HOME, else the user's entry in the
// password database.
int runListCommand(ListChange change)
{
    const passwd* user = getpwuid(getuid());
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || *home == '\0') {
        return failWith(kExitFailure, "cannot find your home folder: HOME is not set and you have no password entry");
    }
    ListRequest request;
    request.change = change;
    request.settingsPath = home;
    if (request.settingsPath.back() != '/') {
        request.settingsPath += '/';
    }
    request.settingsPath += ".xscreensaver";
    request.defaultsPaths.assign(std::begin(kAppDefaultsFiles), std::end(kAppDefaultsFiles));
    request.program = CINDRAL_PROGRAM_NAME;
    // The heading the settings program writes: who wrote the file, for whom, when.
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    char date[64] = "";
    if (localtime_r(&now, &local) != nullptr) {
        std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", &local);
    }
    const char* name = user != nullptr ? user->pw_name : std::getenv("USER");
    request.writtenBy = std::string(CINDRAL_PROGRAM_NAME " " CINDRAL_VERSION " for ") +
                        (name != nullptr ? name : "?") + " on " + date;
    const ListReport report = changeXScreenSaverList(request);
    if (report.exitCode != 0) {
        return failWith(report.exitCode, report.text);
    }
    std::printf("%s\n", report.text.c_str());
    return 0;
}

// Draws until a stop signal, a close request or the loss of the window, at
// the window's current size. Returns true when the window was lost.
bool runFrames(GlSurface& surface, const X11Options& options, FrameRateMeter& meter)
{
    FramePacer pacer(kNanosPerSecond, std::int64_t{options.delayMicroseconds} * 1000);
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
        if (options.showFps) {
            drawFpsOverlay(meter.framesPerSecond(), surface.width, surface.height);
        }
        glXSwapBuffers(surface.display, surface.window);
        const std::int64_t shown = monotonicNanos();
        meter.frameShown(pacer.frameBegan());
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
    if (outcome == ParseOutcome::AddToXScreenSaver || outcome == ParseOutcome::RemoveFromXScreenSaver) {
        return runListCommand(outcome == ParseOutcome::AddToXScreenSaver ? ListChange::Add
                                                                                  : ListChange::Remove);
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
    FrameRateMeter meter(kNanosPerSecond);
    const bool windowLost = runFrames(surface, options, meter);
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
