#include "x11_window.h"

#include "printable.h"
#include "x11_errors.h"
#include "x11_virtual_root.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kOwnWindowWidth = 800;
constexpr int kOwnWindowHeight = 600;

std::string hexId(unsigned long id)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

bool canDrawDoubleBufferedRgba(Display* display, XVisualInfo* info)
{
    int useGl = 0;
    int rgba = 0;
    int doubleBuffer = 0;
    return glXGetConfig(display, info, GLX_USE_GL, &useGl) == 0 && useGl &&
           glXGetConfig(display, info, GLX_RGBA, &rgba) == 0 && rgba &&
           glXGetConfig(display, info, GLX_DOUBLEBUFFER, &doubleBuffer) == 0 && doubleBuffer;
}

int configValue(Display* display, XVisualInfo* info, int attribute)
{
    int value = -1;
    return glXGetConfig(display, info, attribute, &value) == 0 ? value : -1;
}

// A visual like the window's (depth, class, colour and alpha sizes) but with
// no depth, stencil or accumulation buffer: the scene never tests depth, and
// in a software renderer clearing a depth buffer costs a fifth of a frame.
// False when the display has none.
bool findDepthlessVisualLike(Display* display, XVisualInfo* window, XVisualInfo* found)
{
    constexpr int kSameSizes[] = {GLX_RED_SIZE, GLX_GREEN_SIZE, GLX_BLUE_SIZE, GLX_ALPHA_SIZE, GLX_LEVEL};
    constexpr int kAbsent[] = {GLX_DEPTH_SIZE, GLX_STENCIL_SIZE, GLX_ACCUM_RED_SIZE, GLX_AUX_BUFFERS};
    XVisualInfo wanted = *window;
    int count = 0;
    XVisualInfo* candidates =
        XGetVisualInfo(display, VisualScreenMask | VisualDepthMask | VisualClassMask, &wanted, &count);
    bool suitable = false;
    for (int i = 0; i < count && !suitable; ++i) {
        XVisualInfo* c = &candidates[i];
        bool suits = canDrawDoubleBufferedRgba(display, c);
        for (const int attribute : kSameSizes) {
            suits = suits && configValue(display, c, attribute) == configValue(display, window, attribute);
        }
        for (const int attribute : kAbsent) {
            suits = suits && configValue(display, c, attribute) == 0;
        }
        if (suits) {
            *found = *c;
            suitable = true;
        }
    }
    if (candidates != nullptr) {
        XFree(candidates);
    }
    return suitable;
}

// Makes no context current and deletes the surface's, if it has one.
void releaseContext(GlSurface& s)
{
    if (s.context != nullptr) {
        glXMakeCurrent(s.display, None, nullptr);
        glXDestroyContext(s.display, s.context);
        s.context = nullptr;
    }
}

// Creates the context for `info` and makes it current on the surface's window.
SurfaceStatus bindContext(GlSurface* s, XVisualInfo* info, std::string& error)
{
    gX11Errors.lastErrorCode = Success;
    s->context = glXCreateContext(s->display, info, nullptr, True);
    if (s->context == nullptr) {
        error = "cannot create an OpenGL context";
        return SurfaceStatus::CannotDraw;
    }
    const Bool current = glXMakeCurrent(s->display, s->window, s->context);
    XSync(s->display, False);
    if (!current || gX11Errors.lastErrorCode != Success) {
        error = "cannot draw with OpenGL into window " + hexId(s->window);
        return SurfaceStatus::CannotDraw;
    }
    return SurfaceStatus::Ready;
}

// Whether `window` no longer exists: asked of the server, which answers
// BadWindow.
bool windowGone(Display* display, Window window)
{
    gX11Errors.lastErrorCode = Success;
    XWindowAttributes attributes;
    return !XGetWindowAttributes(display, window, &attributes) || gX11Errors.lastErrorCode == BadWindow;
}

SurfaceStatus openForeignWindow(GlSurface* s, Window window, const char* source, std::string& error)
{
    Display* d = s->display;
    gX11Errors.lastErrorCode = Success;
    // Only the structure events: the owner of a foreign window takes its
    // input, and only one client may select button presses. Selected before
    // the size is read, so that no later change of size goes unseen.
    XSelectInput(d, window, StructureNotifyMask);
    XWindowAttributes attributes;
    const std::string named = "window " + hexId(window) + (*source ? std::string(" (from ") + source + ")" : "");
    if (!XGetWindowAttributes(d, window, &attributes) || gX11Errors.lastErrorCode != Success) {
        error = named + " does not exist";
        return SurfaceStatus::WindowUnusable;
    }
    if (attributes.c_class == InputOnly) {
        error = named + " is an InputOnly window, which nothing can be drawn into";
        return SurfaceStatus::WindowUnusable;
    }
    s->window = window;
    s->width = attributes.width;
    s->height = attributes.height;

    XVisualInfo wanted;
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &wanted, &count);
    if (info == nullptr || !canDrawDoubleBufferedRgba(d, info)) {
        if (info != nullptr) {
            XFree(info);
        }
        error = "window " + hexId(window) + " has a visual without double-buffered RGBA OpenGL";
        return SurfaceStatus::WindowUnusable;
    }
    // A window made by someone else comes with its visual, often one with a
    // depth buffer. A context of a like visual without one draws into it as
    // well where the implementation allows that (Mesa does); where it does
    // not, the window's own visual serves.
    SurfaceStatus status = SurfaceStatus::CannotDraw;
    XVisualInfo depthless;
    if (findDepthlessVisualLike(d, info, &depthless)) {
        status = bindContext(s, &depthless, error);
        if (status != SurfaceStatus::Ready) {
            releaseContext(*s);
        }
    }
    // A window destroyed meanwhile (its owner gone, a preview pane closed)
    // fails the context with an error about it, as in the frame loop.
    if (status != SurfaceStatus::Ready && !windowGone(d, window)) {
        status = bindContext(s, info, error);
    }
    XFree(info);
    if (status != SurfaceStatus::Ready && windowGone(d, window)) {
        error = named + " was destroyed";
        return SurfaceStatus::WindowGone;
    }
    return status;
}

void nameOwnWindow(GlSurface* s)
{
    Display* d = s->display;
    XStoreName(d, s->window, "Cindral");

    XClassHint classHint;
    char name[] = CINDRAL_PROGRAM_NAME;
    char className[] = "Cindral";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(d, s->window, &classHint);

    s->wmProtocols = XInternAtom(d, "WM_PROTOCOLS", False);
    s->wmDeleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, s->window, &s->wmDeleteWindow, 1);

    const unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(d, s->window, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

SurfaceStatus openOwnWindow(GlSurface* s, std::string& error)
{
    Display* d = s->display;
    const int screen = DefaultScreen(d);
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1,
                        GLX_BLUE_SIZE, 1, None};
    XVisualInfo* info = glXChooseVisual(d, screen, attributes);
    if (info == nullptr) {
        error = "the display offers no double-buffered RGBA OpenGL visual";
        return SurfaceStatus::CannotDraw;
    }
    s->ownWindow = true;
    s->width = std::min(kOwnWindowWidth, DisplayWidth(d, screen));
    s->height = std::min(kOwnWindowHeight, DisplayHeight(d, screen));
    const Window root = RootWindow(d, screen);
    s->colormap = XCreateColormap(d, root, info->visual, AllocNone);

    XSetWindowAttributes set;
    set.colormap = s->colormap;
    set.background_pixel = BlackPixel(d, screen);
    set.border_pixel = 0;
    set.event_mask = KeyPressMask | ButtonPressMask | StructureNotifyMask;
    s->window = XCreateWindow(d, root, 0, 0, static_cast<unsigned>(s->width),
                              static_cast<unsigned>(s->height), 0, info->depth, InputOutput,
                              info->visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask,
                              &set);
    nameOwnWindow(s);
    XMapWindow(d, s->window);

    const SurfaceStatus status = bindContext(s, info, error);
    XFree(info);
    return status;
}

} // namespace

SurfaceStatus openSurface(Display* display, const TargetChoice& choice, GlSurface* surface,
                          std::string& error)
{
    surface->display = display;
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(display, &errorBase, &eventBase)) {
        error = "the display " + printable(DisplayString(display)) + " has no GLX extension";
        return SurfaceStatus::CannotDraw;
    }
    gX11Errors.glxErrorBase = errorBase;
    switch (choice.target) {
    case DrawTarget::OwnWindow:
        return openOwnWindow(surface, error);
    case DrawTarget::GivenWindow:
        return openForeignWindow(surface, choice.id, choice.source, error);
    case DrawTarget::RootWindow:
        break;
    }
    return openForeignWindow(surface, findVirtualRoot(display, DefaultScreen(display)), "", error);
}

SurfaceEvent handlePendingEvents(GlSurface& s)
{
    SurfaceEvent result = SurfaceEvent::Nothing;
    while (XPending(s.display) > 0) {
        XEvent event;
        XNextEvent(s.display, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == s.window) {
                s.width = event.xconfigure.width;
                s.height = event.xconfigure.height;
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == s.window) {
                return SurfaceEvent::WindowDestroyed;
            }
            break;
        case KeyPress:
        case ButtonPress:
            if (s.ownWindow) {
                result = SurfaceEvent::CloseRequested;
            }
            break;
        case ClientMessage:
            if (s.ownWindow && event.xclient.message_type == s.wmProtocols &&
                event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == s.wmDeleteWindow) {
                result = SurfaceEvent::CloseRequested;
            }
            break;
        default:
            break;
        }
    }
    return result;
}

void closeSurface(GlSurface& s, bool windowLost)
{
    if (s.display == nullptr) {
        return;
    }
    releaseContext(s);
    if (s.ownWindow && !windowLost && s.window != None) {
        XDestroyWindow(s.display, s.window);
    }
    s.window = None;
    if (s.colormap != None) {
        XFreeColormap(s.display, s.colormap);
        s.colormap = None;
    }
}
