#include "frame_pacer.h"

bool FrameRateMeter::frameShown(std::int64_t now)
{
    ++total_;
    last_ = now;
    if (total_ == 1) {
        first_ = now;
        // The span starts with the first frame on screen, so start-up time
        // does not count against the rate.
        spanStart_ = now;
        return false;
    }
    ++spanFrames_;
    const std::int64_t span = now - spanStart_;
    if (span < kSpanNanos) {
        return false;
    }
    rate_ = static_cast<double>(spanFrames_) * 1e9 / static_cast<double>(span);
    spanStart_ = now;
    spanFrames_ = 0;
    return true;
}

double FrameRateMeter::averageFramesPerSecond() const
{
    if (total_ < 2 || last_ <= first_) {
        return 0.0;
    }
    return static_cast<double>(total_ - 1) * 1e9 / static_cast<double>(last_ - first_);
}
