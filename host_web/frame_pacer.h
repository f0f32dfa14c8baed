#pragma once

#include "scene.h"

// Frame pacing on the page's clock, in milliseconds (requestAnimationFrame's
// time stamps). A frame begins at least kMinFrameMs after the one before it;
// a frame that comes later than that begins at once and the next one counts
// from it, so time lost is never made up.
class FramePacer {
public:
    static constexpr double kMinFrameMs = 1000.0 / kMaxFramesPerSecond;

    // Whether a frame may begin at `nowMs`; when it may, it has begun.
    bool beginFrame(double nowMs);

private:
    bool started_ = false;
    double lastFrameMs_ = 0.0;
};
