#include "x11_errors.h"

#include "program_shell.h"

#include <unistd.h>

#include <string>

X11ErrorState gX11Errors;

namespace {

int onProtocolError(Display* display, XErrorEvent* event)
{
    gX11Errors.lastErrorCode = event->error_code;
    if (gX11Errors.watchedWindow == None) {
        return 0;
    }
    // GLX reports a vanished drawable with the window's id or with its own
    // drawable id, so any BadWindow or BadDrawable while drawing counts.
    if (event->error_code == BadWindow || event->error_code == BadDrawable) {
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
