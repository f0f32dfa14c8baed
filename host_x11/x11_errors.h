#pragma once

#include <X11/Xlib.h>

// X error handling for the whole process. Protocol errors arrive
// asynchronously, often inside GLX calls, so the handlers only record what
// happened and the frame loop looks at it between frames.

// Installs the protocol and connection error handlers. A lost connection
// ends the process at once with exit code 0 and one line on stderr: with no
// display there is nothing left to draw on.
void installX11ErrorHandlers();

// Clears the recorded protocol error. Set-up calls this, makes its requests,
// calls XSync and then asks lastX11ErrorCode().
void clearX11Error();

// The error code of the last protocol error since clearX11Error (Success when
// there was none).
int lastX11ErrorCode();

// Names the window drawn into, so that errors about it are read as its
// destruction; None while setting up.
void watchWindowForErrors(Window window);

// True once a BadWindow or BadDrawable error showed that the watched window no
// longer exists.
bool watchedWindowLost();

// True once a protocol error other than the loss of the watched window
// happened while a window was watched; it has been reported on stderr.
bool unexpectedX11Error();
