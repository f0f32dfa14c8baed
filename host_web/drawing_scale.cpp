#include "drawing_scale.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double kAimedRate = 60.0;     // frames a second, until a faster rate is seen
constexpr double kShortShare = 0.9;     // of the aim: below it a window falls short
constexpr double kHoldShare = 0.95;     // of the aim: from it up a window holds
constexpr double kLeastGain = 1.1;      // what a shrink must multiply the rate by to stay
constexpr double kWindowSeconds = 0.5;
constexpr double kStallSeconds = 1.0;
constexpr double kFirstWaitSeconds = 4.0;
constexpr double kLongestWaitSeconds = 128.0;

} // namespace

DrawingScale::DrawingScale(std::int64_t ticksPerSecond)
    : ticksPerSecond_(ticksPerSecond), windowTicks_(ticks(kWindowSeconds)), stallTicks_(ticks(kStallSeconds)),
      firstWait_(ticks(kFirstWaitSeconds)), longestWait_(ticks(kLongestWaitSeconds)), aim_(kAimedRate)
{
    viewChanged();
}

std::int64_t DrawingScale::ticks(double seconds) const
{
    return static_cast<std::int64_t>(std::llround(static_cast<double>(ticksPerSecond_) * seconds));
}

void DrawingScale::viewChanged()
{
    std::fill(std::begin(tryWait_), std::end(tryWait_), firstWait_);
    std::fill(std::begin(shrinkWait_), std::end(shrinkWait_), firstWait_);
    std::fill(std::begin(noShrinkBefore_), std::end(noShrinkBefore_), std::int64_t{0});
    measuring_ = false;
    skipWindow_ = true;
    shortWindows_ = 0;
    shrunkFrom_ = -1;
    triedFrom_ = -1;
}

bool DrawingScale::frameDrawn(std::int64_t now)
{
    if (!measuring_ || now < lastFrame_ || now - lastFrame_ > stallTicks_) {
        measuring_ = true;
        windowStart_ = now;
        lastFrame_ = now;
        windowFrames_ = 0;
        return false;
    }
    lastFrame_ = now;
    ++windowFrames_;
    const std::int64_t span = now - windowStart_;
    if (span < windowTicks_) {
        return false;
    }
    const double rate = static_cast<double>(windowFrames_) * static_cast<double>(ticksPerSecond_) /
                        static_cast<double>(span);
    windowStart_ = now;
    windowFrames_ = 0;
    if (skipWindow_) {
        skipWindow_ = false;
        heldSince_ = now;
        return false;
    }
    return judge(rate, now);
}

bool DrawingScale::judge(double rate, std::int64_t now)
{
    if (shrunkFrom_ >= 0) {
        const int from = shrunkFrom_;
        shrunkFrom_ = -1;
        if (rate < rateBeforeShrink_ * kLeastGain) {
            aim_ = std::max(rate, rateBeforeShrink_);
            noShrinkBefore_[from] = now + shrinkWait_[from];
            shrinkWait_[from] = std::min(2 * shrinkWait_[from], longestWait_);
            return change(from);
        }
    }
    aim_ = std::max(aim_, rate);
    const bool falls = rate < kShortShare * aim_;
    if (triedFrom_ >= 0) {
        const int from = triedFrom_;
        triedFrom_ = -1;
        if (falls) {
            tryWait_[level_] = std::min(2 * tryWait_[level_], longestWait_);
            return change(from);
        }
    }
    if (!falls) {
        shortWindows_ = 0;
        // Between the two shares a window neither shrinks nor counts as
        // holding: a level that barely keeps the rate has nothing to spare.
        if (rate < kHoldShare * aim_) {
            heldSince_ = now;
        } else if (level_ > 0 && now - heldSince_ >= tryWait_[level_ - 1]) {
            triedFrom_ = level_;
            return change(level_ - 1);
        }
        return false;
    }
    heldSince_ = now;
    if (++shortWindows_ < 2) {
        shortRate_ = rate;
        return false;
    }
    shortWindows_ = 0;
    if (level_ == kLevels - 1 || now < noShrinkBefore_[level_]) {
        return false;
    }
    // A level that fell short, whether just tried or after holding a while,
    // waits longer before its next try.
    tryWait_[level_] = std::min(2 * tryWait_[level_], longestWait_);
    // Fill-bound, the rate doubles every two levels; one level for each
    // halving of the rate against the aim goes no further than half way
    // there, as part of a frame's cost does not shrink with it.
    const double reached = std::max(rate, shortRate_);
    const int levels = std::max(1, static_cast<int>(std::log2(aim_ / reached)));
    shrunkFrom_ = level_;
    rateBeforeShrink_ = reached;
    return change(std::min(level_ + levels, kLevels - 1));
}

bool DrawingScale::change(int level)
{
    level_ = level;
    measuring_ = false;
    skipWindow_ = true;
    shortWindows_ = 0;
    return true;
}
