#pragma once

#include <memory>
#include <string>

// An OpenGL context that draws into an off-screen RGBA8 buffer, with no window
// system: Mesa's EGL on the surfaceless platform, a pbuffer surface, desktop
// OpenGL in the compatibility profile so that fixed-function GL 1.1 works.
// While the object lives its context is current on the thread that made it.
class OffscreenContext {
public:
    struct Impl;

    explicit OffscreenContext(std::unique_ptr<Impl> impl);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    int width() const;
    int height() const;

    // Ends a frame, as a buffer swap does on screen: hands the queued drawing
    // to the rasteriser. Without it Mesa's llvmpipe queues frame after frame,
    // and memory grows with the number of frames.
    void endFrame() const;

    // Copies the current colour buffer, `width() * height() * 4` bytes of
    // RGBA, into `rgba` with the top row first (GL's own origin is the bottom
    // left). `rgba` is written only in full; call with GL work finished or
    // not, glReadPixels waits for it.
    void readPixelsTopDown(unsigned char* rgba) const;

private:
    std::unique_ptr<Impl> impl_;
};

// Creates the context with a drawing surface of `width` x `height` pixels and
// makes it current. On failure returns null and puts a one-line reason, naming
// the EGL step that failed, into `error`; it never aborts.
std::unique_ptr<OffscreenContext> createOffscreenContext(int width, int height, std::string& error);
