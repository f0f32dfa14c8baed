#include "frame_pacer.h"

std::int64_t FramePacer::nextFrameDue(std::int64_t now)
{
    due_ += period_;
    if (now >= due_) {
        due_ = now;
    }
    return due_;
}

bool FrameRateMeter::frameShown(std::int64_t due)
{
    ++total_;
    last_ = due;
    if (total_ == 1) {
        first_ = due;
        // The span starts with the first frame, so start-up time does not
        // count against the rate.
        spanStart_ = due;
        return false;
    }
    ++spanFrames_;
    const std::int64_t span = due - spanStart_;
    if (span < kSpanNanos) {
        return false;
    }
    rate_ = static_cast<double>(spanFrames_) * 1e9 / static_cast<double>(span);
    spanStart_ = due;
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
