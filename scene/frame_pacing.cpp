#include "frame_pacing.h"

#include <algorithm>

namespace {

// The least t with t / ticksPerSecond >= kMinFrameSeconds in double
// precision. The quotient grows with t, so this one threshold decides every
// comparison as the division itself would, in whole ticks.
std::int64_t ticksForMinFrame(std::int64_t ticksPerSecond)
{
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

bool FramePacer::beginFrame(std::int64_t now)
{
    if (started_ && now >= last_ && now - last_ < minFrameTicks_) {
        return false;
    }
    started_ = true;
    last_ = now;
    return true;
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
