#include "frame_pacer.h"

bool FramePacer::beginFrame(double nowMs)
{
    // A clock that went back (a page restored with a new time origin) starts
    // the pacing afresh rather than holding frames back until it catches up.
    if (started_ && nowMs >= lastFrameMs_ && nowMs - lastFrameMs_ < kMinFrameMs) {
        return false;
    }
    started_ = true;
    lastFrameMs_ = nowMs;
    return true;
}
