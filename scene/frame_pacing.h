#pragma once

#include "scene.h"

#include <cstdint>

// The animation's pace on a host's clock. Every host counts time in whole
// ticks of a clock of its own (the performance counter, the tick count,
// nanoseconds, microseconds) and says how many ticks make a second.

// The shortest time one frame may take: drawing, presenting and waiting
// together; 0.01 s, the same double as the literal.
constexpr double kMinFrameSeconds = 1.0 / kMaxFramesPerSecond;

// The most steps one frame of the web page runs (stepsDue): a page that comes
// back from a stall or a hidden tab goes on without a burst of steps.
constexpr int kMaxStepsPerFrame = 4;

// Keeps frames at least minFrameTicks() apart, in the way each host paces:
// the Windows saver waits from each frame's own start (frameOver), the Linux
// host sleeps until a deadline (nextFrameDue). The web page is offered frames
// by the browser at the display's rate and runs in each the steps that the
// time since the last one calls for (stepsDue), so that the animation keeps
// its speed at any refresh rate.
class FramePacer {
public:
    // `ticksPerSecond` is positive. `leastFrameTicks` asks for a longer
    // time between frames than kMinFrameSeconds (the Linux host's --delay);
    // a shorter one is not taken.
    explicit FramePacer(std::int64_t ticksPerSecond, std::int64_t leastFrameTicks = 0);

    // The least whole number of ticks that lasts kMinFrameSeconds, as the
    // quotient ticks / ticksPerSecond in double precision compares, or
    // leastFrameTicks where that is longer.
    std::int64_t minFrameTicks() const { return minFrameTicks_; }

    // Waiting from the frame's start: whether a frame that began `elapsed`
    // ticks ago has taken its time.
    bool frameOver(std::int64_t elapsed) const { return elapsed >= minFrameTicks_; }

    // Fixed steps: how many steps, each minFrameTicks long, are due at `now`,
    // counted on a grid from when the first one was due, so that what is
    // left of a step carries over to the next frame. 0 means that the frame
    // has nothing new to draw. Beyond kMaxStepsPerFrame, the steps due are
    // dropped, as the native hosts drop lost time, and the grid goes on. The
    // first call, and one on a clock that went back, starts the grid at `now`
    // with one step.
    int stepsDue(std::int64_t now);

    // Deadlines: frames are due minFrameTicks apart, each counted from when
    // the one before was due rather than from when it happened to begin, so
    // late wake-ups from sleep do not add up. Call once with the first
    // frame's start, then after each frame is shown, at `now`: the result is
    // when the next frame is due, `now` itself when that has passed, and the
    // grid starts again from then.
    void firstFrameAt(std::int64_t start);
    std::int64_t nextFrameDue(std::int64_t now);

    // When the frame now being drawn counts as begun: when it was due
    // (deadlines) or when its last step was due (fixed steps). Such times are
    // at least minFrameTicks apart, which presentation times, jittered by late
    // wake-ups and swaps that wait, are not.
    std::int64_t frameBegan() const { return last_; }

private:
    std::int64_t minFrameTicks_;
    bool started_ = false;
    std::int64_t last_ = 0; // when the last frame (nextFrameDue) or step (stepsDue) was due
};

// Counts frames and gives their rate over spans of a second or more, for a
// frame-rate display. Each frame is recorded at the time the pacer says it
// began (FramePacer::frameBegan), so a span of N frames is N whole frame
// intervals and never reads above kMaxFramesPerSecond while frames come at
// that rate: timed by presentation, a span that began with a frame shown 8 ms
// late and ended with one shown 1 ms late held 101 frames in 1002 ms, and
// the display read "100.8 fps".
//
// The web page counts its steps with one too: a frame's steps recorded when
// the last of them was due (FramePacer::frameBegan after stepsDue), so that
// steps run on time read exactly 100 a second.
class FrameRateMeter {
public:
    explicit FrameRateMeter(std::int64_t ticksPerSecond) : ticksPerSecond_(ticksPerSecond) {}

    // Records a frame that began at `began`. Returns true when the rate was
    // renewed by it.
    bool frameShown(std::int64_t began) { return counted(began, 1); }

    // Records `count` things (frames, steps) at `at`; the first record only
    // starts the first span, as its things happened before it.
    bool counted(std::int64_t at, long long count);

    // Frames (or things counted) per second over the last span; 0 before the
    // first is complete.
    double framesPerSecond() const { return rate_; }

    long long totalFrames() const { return total_; }

    // Frames per second from the first frame to the last; 0 until two frames
    // have been recorded.
    double averageFramesPerSecond() const;

    // Seconds from the first frame to the last.
    double secondsShown() const
    {
        return static_cast<double>(last_ - first_) / static_cast<double>(ticksPerSecond_);
    }

private:
    std::int64_t ticksPerSecond_;
    std::int64_t first_ = 0;
    std::int64_t last_ = 0;
    std::int64_t spanStart_ = 0;
    long long spanFrames_ = 0;
    long long firstCount_ = 0;
    long long total_ = 0;
    double rate_ = 0.0;
};
