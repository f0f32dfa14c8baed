#pragma once

#include "scene.h"

#include <cstdint>

// Counts frames and gives the rate over the last whole second or more, for
// the -fps overlay and the frame report.
class FrameRateMeter {
public:
    // Records a frame presented at `now`. Returns true when the rate was
    // renewed by it.
    bool frameShown(std::int64_t now);

    // Frames per second over the last measured span; 0 before the first span
    // is complete.
    double framesPerSecond() const { return rate_; }

    long long totalFrames() const { return total_; }

    // Frames per second from the first frame shown to the last; 0 until two
    // frames have been shown.
    double averageFramesPerSecond() const;

    // Seconds from the first frame shown to the last.
    double secondsShown() const { return static_cast<double>(last_ - first_) / 1e9; }

private:
    static constexpr std::int64_t kSpanNanos = 1'000'000'000;

    std::int64_t first_ = 0;
    std::int64_t last_ = 0;
    std::int64_t spanStart_ = 0;
    long long spanFrames_ = 0;
    long long total_ = 0;
    double rate_ = 0.0;
};
