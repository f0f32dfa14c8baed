#include "process_support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdio>

#ifndef CINDRAL_X11_PROGRAM
#error "CINDRAL_X11_PROGRAM names the program under test"
#endif

namespace {

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

HostProcess::HostProcess(const std::vector<std::string>& args, const std::vector<std::string>& env, Stream out)
    : Process([&] {
          Launch launch{{CINDRAL_X11_PROGRAM}, env};
          launch.out = out;
          launch.argv.insert(launch.argv.end(), args.begin(), args.end());
          return launch;
      }())
{
}

std::string hex(Window window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

TestDisplay::TestDisplay() : display_(XOpenDisplay(nullptr))
{
    // Windows the tests look at may be destroyed under them on purpose.
    XSetErrorHandler(ignoreErrors);
}

TestDisplay::~TestDisplay()
{
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

Window TestDisplay::makeWindow(int x, int y, int width, int height)
{
    const int screen = DefaultScreen(display_);
    const Window w = XCreateSimpleWindow(display_, RootWindow(display_, screen), x, y,
                                         static_cast<unsigned>(width),
                                         static_cast<unsigned>(height), 0,
                                         BlackPixel(display_, screen), BlackPixel(display_, screen));
    XMapRaised(display_, w);
    XSync(display_, False);
    return w;
}

void TestDisplay::destroyWindow(Window window)
{
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

bool TestDisplay::windowExists(Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) != 0;
}

Window TestDisplay::findWindowOfProcess(pid_t pid, double seconds)
{
    const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
    Window found = None;
    waitUntil(seconds, [&] {
        Window rootReturn, parentReturn;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, DefaultRootWindow(display_), &rootReturn, &parentReturn, &children,
                       &count)) {
            for (unsigned int i = 0; i < count && found == None; ++i) {
                Atom type;
                int format;
                unsigned long items, after;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display_, children[i], pidAtom, 0, 1, False, XA_CARDINAL,
                                       &type, &format, &items, &after, &data) == Success &&
                    data != nullptr && items == 1 &&
                    *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid)) {
                    found = children[i];
                }
                if (data != nullptr) {
                    XFree(data);
                }
            }
            if (children != nullptr) {
                XFree(children);
            }
        }
        return found != None;
    });
    return found;
}

Picture TestDisplay::capture(Window window)
{
    Picture picture;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes)) {
        return picture;
    }
    XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return picture;
    }
    // Channel masks of a TrueColor image; each channel is scaled to 8 bits.
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        const unsigned long value = (pixel >> shift) & mask;
        return static_cast<std::uint8_t>(mask == 0 ? 0 : value * 255 / mask);
    };
    picture.width = image->width;
    picture.height = image->height;
    picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            std::uint8_t* p = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
            p[0] = channel(pixel, image->red_mask);
            p[1] = channel(pixel, image->green_mask);
            p[2] = channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return picture;
}

void TestDisplay::sendEvent(Window window, int type)
{
    XEvent event = {};
    event.type = type;
    long mask = NoEventMask;
    if (type == ClientMessage) {
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
    } else {
        // Key and button events share their leading fields.
        mask = type == KeyPress ? KeyPressMask : ButtonPressMask;
        event.xkey.root = DefaultRootWindow(display_);
        event.xkey.keycode = type == KeyPress ? XKeysymToKeycode(display_, 'a') : Button1;
        event.xkey.same_screen = True;
    }
    event.xany.window = window;
    XSendEvent(display_, window, False, mask, &event);
    XSync(display_, False);
}

void TestDisplay::setVirtualRoot(Window window, Window vroot)
{
    const Atom vrootAtom = XInternAtom(display_, "__SWM_VROOT", False);
    const unsigned long value = vroot;
    XChangeProperty(display_, window, vrootAtom, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XSync(display_, False);
}

std::string waitForPicture(Window window, double seconds, const std::vector<std::string>& expected)
{
    Launch check{{CINDRAL_PYTHON, CINDRAL_PICTURE_CHECK, "--window", hex(window), "--wait", std::to_string(seconds)}};
    check.argv.insert(check.argv.end(), expected.begin(), expected.end());
    const Finished verdict = runProgram(check, seconds + 60);
    if (verdict.how == "exit 0") {
        return "";
    }
    if (verdict.how == "exit 1" && !verdict.out.empty()) {
        return verdict.out.substr(0, verdict.out.find('\n'));
    }
    return "the picture check ended with " + verdict.how + ": " + verdict.err;
}

std::string waitForFlame(Window window, double seconds)
{
    return waitForPicture(window, seconds, {"--flame=middle", "--black=corners"});
}
