#include "offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <utility>

// Not in GL 1.1's header; the values are fixed by GL 3.2.
#ifndef GL_CONTEXT_PROFILE_MASK
#define GL_CONTEXT_PROFILE_MASK 0x9126
#endif
#ifndef GL_CONTEXT_CORE_PROFILE_BIT
#define GL_CONTEXT_CORE_PROFILE_BIT 0x00000001
#endif

struct OffscreenContext::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    int width = 0;
    int height = 0;

    ~Impl()
    {
        if (display == EGL_NO_DISPLAY) {
            return;
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT) {
            eglDestroyContext(display, context);
        }
        if (surface != EGL_NO_SURFACE) {
            eglDestroySurface(display, surface);
        }
        eglTerminate(display);
    }
};

namespace {

const char* eglErrorName(EGLint code)
{
    switch (code) {
    case EGL_SUCCESS: return "EGL_SUCCESS";
    case EGL_NOT_INITIALIZED: return "EGL_NOT_INITIALIZED";
    case EGL_BAD_ACCESS: return "EGL_BAD_ACCESS";
    case EGL_BAD_ALLOC: return "EGL_BAD_ALLOC";
    case EGL_BAD_ATTRIBUTE: return "EGL_BAD_ATTRIBUTE";
    case EGL_BAD_CONFIG: return "EGL_BAD_CONFIG";
    case EGL_BAD_CONTEXT: return "EGL_BAD_CONTEXT";
    case EGL_BAD_CURRENT_SURFACE: return "EGL_BAD_CURRENT_SURFACE";
    case EGL_BAD_DISPLAY: return "EGL_BAD_DISPLAY";
    case EGL_BAD_MATCH: return "EGL_BAD_MATCH";
    case EGL_BAD_NATIVE_PIXMAP: return "EGL_BAD_NATIVE_PIXMAP";
    case EGL_BAD_NATIVE_WINDOW: return "EGL_BAD_NATIVE_WINDOW";
    case EGL_BAD_PARAMETER: return "EGL_BAD_PARAMETER";
    case EGL_BAD_SURFACE: return "EGL_BAD_SURFACE";
    case EGL_CONTEXT_LOST: return "EGL_CONTEXT_LOST";
    default: return "unknown EGL error";
    }
}

bool fail(std::string& error, const std::string& step)
{
    error = "no off-screen OpenGL context: " + step + " failed (" + eglErrorName(eglGetError()) + ")";
    return false;
}

bool hasExtension(const char* list, const char* name)
{
    if (list == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}

// The first pbuffer-capable desktop-GL config with exactly 8 bits per channel:
// eglChooseConfig sorts deeper colour first, and the readback assumes RGBA8.
bool chooseRgba8Config(EGLDisplay display, EGLConfig& chosen)
{
    const EGLint wanted[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_NONE,
    };
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, configs, 64, &count)) {
        return false;
    }
    for (EGLint i = 0; i < count; ++i) {
        EGLint r = 0, g = 0, b = 0, a = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &r);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &g);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &b);
        eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &a);
        if (r == 8 && g == 8 && b == 8 && a == 8) {
            chosen = configs[i];
            return true;
        }
    }
    return false;
}

bool isCoreProfile()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    int minor = 0;
    if (version == nullptr || std::sscanf(version, "%d.%d", &major, &minor) != 2) {
        return false;
    }
    if (major < 3 || (major == 3 && minor < 2)) {
        return false; // profiles exist from 3.2 on; older contexts are all compatibility
    }
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    return (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

bool create(OffscreenContext::Impl& c, std::string& error)
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        error = "no off-screen OpenGL context: EGL offers no surfaceless platform "
                "(EGL_MESA_platform_surfaceless is missing)";
        return false;
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        error = "no off-screen OpenGL context: EGL has no eglGetPlatformDisplayEXT";
        return false;
    }
    c.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (c.display == EGL_NO_DISPLAY) {
        return fail(error, "eglGetPlatformDisplayEXT");
    }
    if (!eglInitialize(c.display, nullptr, nullptr)) {
        c.display = EGL_NO_DISPLAY; // nothing to terminate
        return fail(error, "eglInitialize");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        return fail(error, "eglBindAPI(EGL_OPENGL_API)");
    }
    EGLConfig config = nullptr;
    if (!chooseRgba8Config(c.display, config)) {
        error = "no off-screen OpenGL context: no RGBA8 pbuffer config for desktop OpenGL";
        return false;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, c.width, EGL_HEIGHT, c.height, EGL_NONE};
    c.surface = eglCreatePbufferSurface(c.display, config, surfaceAttributes);
    if (c.surface == EGL_NO_SURFACE) {
        return fail(error, "eglCreatePbufferSurface(" + std::to_string(c.width) + "x" +
                               std::to_string(c.height) + ")");
    }
    const EGLint compatibility[] = {
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    c.context = eglCreateContext(c.display, config, EGL_NO_CONTEXT, compatibility);
    if (c.context == EGL_NO_CONTEXT) {
        // Drivers without EGL_KHR_create_context reject the profile attribute;
        // their default context is the compatibility one anyway.
        c.context = eglCreateContext(c.display, config, EGL_NO_CONTEXT, nullptr);
    }
    if (c.context == EGL_NO_CONTEXT) {
        return fail(error, "eglCreateContext");
    }
    if (!eglMakeCurrent(c.display, c.surface, c.surface, c.context)) {
        return fail(error, "eglMakeCurrent");
    }
    if (isCoreProfile()) {
        error = "no off-screen OpenGL context: only a core profile was offered, "
                "and the scene needs fixed-function GL";
        return false;
    }
    return true;
}

// Whether fewer descriptors are free than EGL and Mesa hold open at once
// while setting up (the vendor files, the driver, the device): without them
// EGL fails with reasons that name a missing feature.
bool tooFewFileDescriptors()
{
    constexpr int kSetUpNeeds = 8;
    int opened[kSetUpNeeds];
    int count = 0;
    while (count < kSetUpNeeds && (opened[count] = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0) {
        ++count;
    }
    const bool tooFew = count < kSetUpNeeds && (errno == EMFILE || errno == ENFILE);
    while (count > 0) {
        close(opened[--count]);
    }
    return tooFew;
}

} // namespace

OffscreenContext::OffscreenContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

OffscreenContext::~OffscreenContext() = default;

int OffscreenContext::width() const
{
    return impl_->width;
}

int OffscreenContext::height() const
{
    return impl_->height;
}

void OffscreenContext::endFrame() const
{
    glFlush();
}

void OffscreenContext::readPixelsTopDown(unsigned char* rgba) const
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, impl_->width, impl_->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    const std::size_t rowBytes = static_cast<std::size_t>(impl_->width) * 4;
    unsigned char* top = rgba;
    unsigned char* bottom = rgba + (static_cast<std::size_t>(impl_->height) - 1) * rowBytes;
    for (; top < bottom; top += rowBytes, bottom -= rowBytes) {
        std::swap_ranges(top, top + rowBytes, bottom);
    }
}

std::unique_ptr<OffscreenContext> createOffscreenContext(int width, int height, std::string& error)
{
    if (width <= 0 || height <= 0) {
        error = "no off-screen OpenGL context: the size must be positive";
        return nullptr;
    }
    auto impl = std::make_unique<OffscreenContext::Impl>();
    impl->width = width;
    impl->height = height;
    if (!create(*impl, error)) {
        impl.reset(); // releases what was made, and the descriptors it holds
        if (tooFewFileDescriptors()) {
            error = "no off-screen OpenGL context: too few file descriptors are free (" +
                    std::string(std::strerror(EMFILE)) + "; see ulimit -n)";
        }
        return nullptr;
    }
    return std::make_unique<OffscreenContext>(std::move(impl));
}
