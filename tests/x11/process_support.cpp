#include "process_support.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifndef CINDRAL_X11_PROGRAM
#error "CINDRAL_X11_PROGRAM names the program under test"
#endif

extern char** environ;

namespace {

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

HostProcess::HostProcess(const std::vector<std::string>& args, const std::vector<EnvChange>& env)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], STDERR_FILENO);
        for (const EnvChange& change : env) {
            if (change.unset) {
                unsetenv(change.name.c_str());
            } else {
                setenv(change.name.c_str(), change.value.c_str(), 1);
            }
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(CINDRAL_X11_PROGRAM));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execve(argv[0], argv.data(), environ);
        _exit(127);
    }
    close(fds[1]);
    stderrFd_ = fds[0];
}

HostProcess::~HostProcess()
{
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    if (stderrFd_ >= 0) {
        close(stderrFd_);
    }
}

bool HostProcess::running()
{
    if (ended_) {
        return false;
    }
    if (waitpid(pid_, &status_, WNOHANG) == pid_) {
        ended_ = true;
    }
    return !ended_;
}

void HostProcess::signal(int number)
{
    if (!ended_) {
        kill(pid_, number);
    }
}

bool HostProcess::waitForExit(double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            ended_ = true;
            return false;
        }
        sleepSeconds(0.01);
    }
    return true;
}

std::string HostProcess::howItEnded() const
{
    if (!ended_) {
        return "still running";
    }
    if (WIFEXITED(status_)) {
        return "exit " + std::to_string(WEXITSTATUS(status_));
    }
    if (WIFSIGNALED(status_)) {
        return "signal " + std::to_string(WTERMSIG(status_));
    }
    return "status " + std::to_string(status_);
}

const std::string& HostProcess::errorText()
{
    if (!drained_ && ended_ && stderrFd_ >= 0) {
        char buffer[4096];
        ssize_t n;
        while ((n = read(stderrFd_, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
            if (n > 0) {
                errorText_.append(buffer, static_cast<size_t>(n));
            }
        }
        drained_ = true;
    }
    return errorText_;
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        Window rootReturn, parentReturn;
        Window* children = nullptr;
        unsigned int count = 0;
        Window found = None;
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
        if (found != None) {
            return found;
        }
        sleepSeconds(0.05);
    }
    return None;
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

bool isWarmBright(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return r >= 180 && r >= g && g >= b && r - b >= 80;
}

bool isNearBlack(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return r < 40 && g < 40 && b < 40;
}

bool isFaintGrey(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const int high = std::max({r, g, b});
    const int low = std::min({r, g, b});
    return high >= 48 && high - low <= 24;
}

std::string describeMissingFlame(const Picture& p)
{
    if (p.width < 64 || p.height < 64) {
        return "no picture of the window (" + std::to_string(p.width) + "x" +
               std::to_string(p.height) + ")";
    }
    const int warm = p.count(p.width / 4, p.height / 4, p.width * 3 / 4, p.height * 3 / 4, isWarmBright);
    constexpr int kCorner = 16;
    const int dark = p.count(0, 0, kCorner, kCorner, isNearBlack) +
                     p.count(p.width - kCorner, 0, p.width, kCorner, isNearBlack) +
                     p.count(0, p.height - kCorner, kCorner, p.height, isNearBlack) +
                     p.count(p.width - kCorner, p.height - kCorner, p.width, p.height, isNearBlack);
    std::string missing;
    // A few dozen pixels of flame; stars are white and may cross a corner.
    if (warm < 50) {
        missing += "only " + std::to_string(warm) + " warm bright pixels in the middle; ";
    }
    if (dark < 4 * kCorner * kCorner * 9 / 10) {
        missing += "only " + std::to_string(dark) + " of 1024 corner pixels near black; ";
    }
    return missing;
}

std::string waitForPicture(TestDisplay& display, Window window, double seconds,
                           const std::function<std::string(const Picture&)>& describeMissing)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::string verdict;
    do {
        verdict = describeMissing(display.capture(window));
        if (verdict.empty()) {
            return verdict;
        }
        sleepSeconds(0.1);
    } while (std::chrono::steady_clock::now() < deadline);
    return verdict;
}

std::string waitForFlame(TestDisplay& display, Window window, double seconds)
{
    return waitForPicture(display, window, seconds, describeMissingFlame);
}
