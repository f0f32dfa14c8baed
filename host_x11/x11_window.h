#pragma once

#include "x11_options.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

#include <string>

// The window drawn into and its current GL context.
struct GlSurface {
    Display* display = nullptr;
    Window window = None;
    bool ownWindow = false;  // made here, and closed by a key, a click or the window manager
    // The window's size in pixels, kept current by handlePendingEvents.
    int width = 0;
    int height = 0;
    Colormap colormap = None;
    GLXContext context = nullptr;
    Atom wmProtocols = None;
    Atom wmDeleteWindow = None;
};

// Names avoid Xlib's None and BadWindow macros.
enum class SurfaceStatus {
    Ready,
    WindowUnusable,  // the window given is missing or cannot carry double-buffered RGBA GL
    WindowGone,      // the window given was there, and was destroyed while setting up
    CannotDraw,      // the display offers no suitable GL visual or context
};

// Finds or makes the window of `choice`, a double-buffered RGBA GL context
// for it, and makes that context current. On failure `error` holds one line.
SurfaceStatus openSurface(Display* display, const TargetChoice& choice, GlSurface* surface,
                          std::string& error);

enum class SurfaceEvent {
    Nothing,
    CloseRequested,   // a key, a mouse button or the window manager, in its own window
    WindowDestroyed,
};

// Handles every event already queued, without blocking, and takes the
// window's new size from any change of it.
SurfaceEvent handlePendingEvents(GlSurface& surface);

// Releases the context and, if it was made here and still exists, the window.
void closeSurface(GlSurface& surface, bool windowLost);
