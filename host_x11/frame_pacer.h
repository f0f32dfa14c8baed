#pragma once

#include "scene.h"

#include <cstdint>

// Frame pacing on a monotonic clock counted in nanoseconds.
constexpr std::int64_t kMinFrameNanos = 1'000'000'000 / kMaxFramesPerSecond;

// Frames are due on a grid one period apart: the least time between frames
// asked for (-delay), but never less than kMinFrameNanos, so that no delay
// makes it draw more than kMaxFramesPerSecond frames a second. A frame shown
// before the next one is due is followed by it at its due time, counted from
// the last due time rather than from when the frame happened to begin, so
// that late wake-ups from sleep do not add up and the rate is the full one. A
// frame shown late is followed at once, and the grid starts again from then:
// time lost is never made up.
class FramePacer {
public:
    // `firstFrameStart`: when the first frame begins.
    explicit FramePacer(std::int64_t firstFrameStart, std::int64_t leastGapNanos = kMinFrameNanos)
        : due_(firstFrameStart), period_(leastGapNanos > kMinFrameNanos ? leastGapNanos : kMinFrameNanos)
    {
    }

    // When the frame now being drawn was due: the time it counts as begun.
    std::int64_t due() const { return due_; }

    // Called when a frame has been shown, at `now`: when the next frame is
    // due (`now` itself when it is due at once).
    std::int64_t nextFrameDue(std::int64_t now);

private:
    std::int64_t due_;
    std::int64_t period_;
};

// Counts frames and gives the rate over the last whole second or more, for
// the -fps overlay and the frame report. Each frame is recorded at the time
// it was due (FramePacer::due()), not at the time it reached the screen: due
// times lie on the pacer's grid, at least a period apart, so a span of N
// frames is N whole frame intervals and its rate can never exceed the cap.
// Presentation times jitter (a late wake-up, a swap that waits): a span that
// began with a frame shown late and ended with one shown on time held 101
// intervals in a little over a second, and the overlay read "100.8 fps".
class FrameRateMeter {
public:
    // Records a frame shown that was due at `due`. Returns true when the rate
    // was renewed by it.
    bool frameShown(std::int64_t due);

    // Frames per second over the last measured span; 0 before the first span
    // is complete.
    double framesPerSecond() const { return rate_; }

    long long totalFrames() const { return total_; }

    // Frames per second from the first frame to the last; 0 until two frames
    // have been shown.
    double averageFramesPerSecond() const;

    // Seconds from the first frame to the last.
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
