#include "frame_pacing.h"

#include "double_precision.h"

#include <algorithm>

namespace {

// The least t with t / ticksPerSecond >= kMinFrameSeconds in double
// precision. The quotient grows with t, so this one threshold decides every
// comparison as the division itself would, in whole ticks.
std::int64_t ticksForMinFrame(std::int64_t ticksPerSecond)
{
    const DoublePrecisionScope doublePrecision;
    const auto lasts = [ticksPerSecond](std::int64_t t) {
        return static_cast<double>(t) / static_cast<double>(ticksPerSecond) >= kMinFrameSeconds;
    };
    std::int64_t t = ticksPerSecond / kMaxFramesPerSecond;
    while (t > 0 && lasts(t - 1)) {
        --t;
    }
    while (!lasts(t)) {
        ++t;
    }
    return t;
}

} // namespace

FramePacer::FramePacer(std::int64_t ticksPerSecond, std::int64_t leastFrameTicks)
    : minFrameTicks_(std::max(ticksForMinFrame(ticksPerSecond), leastFrameTicks))
{
}

int FramePacer::stepsDue(std::int64_t now)
{
    if (!started_ || now < last_) {
        started_ = true;
        last_ = now;
        return 1;
    }
    const std::int64_t due = (now - last_) / minFrameTicks_;
    last_ += due * minFrameTicks_;
    return static_cast<int>(std::min<std::int64_t>(due, kMaxStepsPerFrame));
}

void FramePacer::firstFrameAt(std::int64_t start)
{
    last_ = start;
}

std::int64_t FramePacer::nextFrameDue(std::int64_t now)
{
    last_ += minFrameTicks_;
    if (now >= last_) {
        last_ = now;
    }
    return last_;
}

bool FrameRateMeter::counted(std::int64_t at, long long count)
{
    last_ = at;
    if (total_ == 0 || at < spanStart_) {
        // The span starts with the first frame, so start-up time does not
        // count against the rate; a clock that went back starts it afresh.
        first_ = at;
        spanStart_ = at;
        spanFrames_ = 0;
        firstCount_ = count;
        total_ = count;
        return false;
    }
    total_ += count;
    spanFrames_ += count;
    const std::int64_t span = at - spanStart_;
    if (span < ticksPerSecond_) {
        return false;
    }
    rate_ = static_cast<double>(spanFrames_) * static_cast<double>(ticksPerSecond_) / static_cast<double>(span);
    spanStart_ = at;
    spanFrames_ = 0;
    return true;
}

double FrameRateMeter::averageFramesPerSecond() const
{
    if (last_ <= first_) {
        return 0.0;
    }
    return static_cast<double>(total_ - firstCount_) * static_cast<double>(ticksPerSecond_) /
           static_cast<double>(last_ - first_);
}
