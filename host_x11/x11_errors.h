#pragma once

#include <X11/Xlib.h>

// X error handling for the whole process. Protocol errors arrive
// asynchronously, often inside GLX calls, so the handlers only record what
// happened and the frame loop looks at it between frames.

// What the handlers record: the host's one piece of process-wide state, as
// Xlib hands its handlers nothing of the program's.
struct X11ErrorState {
    // The error code of the last protocol error since set-up cleared it
    // (Success when there was none). Set-up clears it, makes its requests,
    // calls XSync and then looks.
    int lastErrorCode = Success;
    // The window drawn into, so that errors about it are read as its
    // destruction; None while setting up.
    Window watchedWindow = None;
    // A BadWindow or BadDrawable error, X's own or GLX's, showed that the
    // watched window no longer exists.
    bool watchedWindowLost = false;
    // The first of GLX's error codes on this display, once known (0 before).
    int glxErrorBase = 0;
    // A protocol error other than the loss of the watched window happened
    // while a window was watched; it has been reported on stderr.
    bool unexpectedError = false;
};

extern X11ErrorState gX11Errors;

// Installs the protocol and connection error handlers. A lost connection
// ends the process at once with exit code 0 and one line on stderr: with no
// display there is nothing left to draw on.
void installX11ErrorHandlers();
