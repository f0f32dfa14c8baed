#include "x11_errors.h"

#include "program_shell.h"

#include <unistd.h>

#include <string>

X11ErrorState gX11Errors;

namespace {

// GLX's own error codes about drawables, counted from its error base, as the
// GLX protocol numbers them.
constexpr int kGlxBadDrawable = 2;
constexpr int kGlxBadCurrentWindow = 5;
constexpr int kGlxBadCurrentDrawable = 11;
constexpr int kGlxBadWindow = 12;

int onProtocolError(Display* display, XErrorEvent* event)
{
    gX11Errors.lastErrorCode = event->error_code;
    if (gX11Errors.watchedWindow == None) {
        return 0;
    }
    // GLX reports a vanished drawable with the window's id or with its own
    // drawable id, in X's error codes or in its own (a swap after a screen
    // saver's settings took the preview window away gives GLXBadDrawable),
    // so any of these while drawing counts.
    const int glx = gX11Errors.glxErrorBase != 0 ? event->error_code - gX11Errors.glxErrorBase : -1;
    if (event->error_code == BadWindow || event->error_code == BadDrawable || glx == kGlxBadDrawable ||
        glx == kGlxBadWindow || glx == kGlxBadCurrentDrawable || glx == kGlxBadCurrentWindow) {
        gX11Errors.watchedWindowLost = true;
        return 0;
    }
    if (!gX11Errors.unexpectedError && !gX11Errors.watchedWindowLost) {
        char text[160];
        XGetErrorText(display, event->error_code, text, sizeof text);
        // The run then ends with kExitFailure.
        failWith(kExitFailure, "X error: " + std::string(text) + " (request " +
                                   std::to_string(event->request_code) + "." +
                                   std::to_string(event->minor_code) + ")");
    }
    gX11Errors.unexpectedError = true;
    return 0;
}

[[noreturn]] int onConnectionLost(Display*)
{
    // Xlib ends the process if this returns; leave at once, without running
    // the library destructors that would talk to the dead connection.
    static const char message[] = CINDRAL_PROGRAM_NAME ": lost the connection to the X display\n";
    const ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(0);
}

} // namespace

void installX11ErrorHandlers()
{
    XSetErrorHandler(onProtocolError);
    XSetIOErrorHandler(onConnectionLost);
}
