// The Linux host's run, once its options are read: the flame on X11 in a
// window of its own, on the root window or in a window handed over by a
// screen saver daemon, or the change to the user's XScreenSaver list.
#include "x11_host.h"

#include "cindral_version.h"
#include "fps_overlay.h"
#include "frame_pacing.h"
#include "printable.h"
#include "program_shell.h"
#include "scene.h"
#include "x11_errors.h"
#include "x11_window.h"
#include "xscreensaver_list.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <string>

namespace {

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
    while (stopSignal() == 0 &&
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
    ListDone done;
    Failure failure;
    const bool changed = changeXScreenSaverList(request, done, failure);
    // The program then ends by the signal, with nothing to say.
    if (stopSignal() != 0) {
        return kExitFailure;
    }
    if (!changed) {
        return failWith(failure);
    }
    return printOnStdout(done.report + "\n",
                         done.changed ? printable(request.settingsPath) + " was changed all the same" : "");
}

// Draws until a stop signal, a close request or the loss of the window, at
// the window's current size. Returns true when the window was lost.
bool runFrames(GlSurface& surface, const X11Options& options, FrameRateMeter& meter)
{
    FramePacer pacer(kNanosPerSecond, std::int64_t{options.delayMicroseconds} * 1000);
    pacer.firstFrameAt(monotonicNanos());
    int viewWidth = surface.width;
    int viewHeight = surface.height;
    while (stopSignal() == 0) {
        const SurfaceEvent event = handlePendingEvents(surface);
        if (event == SurfaceEvent::CloseRequested) {
            return false;
        }
        if (event == SurfaceEvent::WindowDestroyed || gX11Errors.watchedWindowLost) {
            return true;
        }
        if (gX11Errors.unexpectedError) {
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

} // namespace

int runX11Host(const X11Options& options)
{
    if (options.listChange) {
        return runListCommand(*options.listChange);
    }
    TargetChoice choice;
    std::string error;
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
    if (status == SurfaceStatus::WindowGone) {
        // Quietly, as when it goes later: there is nothing left to draw in.
        closeSurface(surface, true);
        XCloseDisplay(display);
        return kExitSuccess;
    }
    if (status != SurfaceStatus::Ready) {
        closeSurface(surface, true);
        XCloseDisplay(display);
        return failWith(status == SurfaceStatus::WindowUnusable ? kExitBadInput : kExitFailure, error);
    }

    initScene(surface.width, surface.height);
    gX11Errors.watchedWindow = surface.window;
    FrameRateMeter meter(kNanosPerSecond);
    const bool windowLost = runFrames(surface, options, meter);
    const bool failed = gX11Errors.unexpectedError && !windowLost;
    // Errors from taking down a window that may be gone mean nothing now.
    gX11Errors.watchedWindow = None;
    closeSurface(surface, windowLost || gX11Errors.watchedWindowLost);
    XCloseDisplay(display);

    const char* report = std::getenv("CINDRAL_FRAME_REPORT");
    if (report != nullptr && *report != '\0') {
        std::fprintf(stderr, CINDRAL_PROGRAM_NAME ": frames=%lld seconds=%.3f fps=%.2f\n", meter.totalFrames(),
                     meter.secondsShown(), meter.averageFramesPerSecond());
    }
    return failed ? kExitFailure : kExitSuccess;
}
