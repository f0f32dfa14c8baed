#pragma once

#include <cstdint>

// Dynamic resolution for the web page: the share of the view's device pixels,
// per axis, that the canvas's drawing buffer has, the browser stretching the
// buffer to fill the view. In software WebGL a frame's cost grows with the
// pixels drawn, and above 1920x1080 a full-size buffer no longer keeps the
// display's rate where a smaller one does.
//
// It watches the frames the page draws, in windows of half a second, and
// aims at the display's rate, which a page cannot ask for: 60 frames a second
// until a faster rate is seen.
// - Two windows in a row below 90 % of the aim shrink the buffer, by one
//   level or by more when the rate is a fraction of the aim (a level is
//   2^(-1/4) per axis, half the pixels every two levels), down to the floor.
// - A shrink that did not raise the rate by a tenth is undone, and the aim
//   becomes the rate reached: what holds the frames back is not the drawing
//   (a display or browser at 30 or 50 Hz, a busy machine), and a blurred
//   picture would buy nothing.
// - A level whose windows have kept 95 % of the aim for a while tries the
//   next larger one; a try that falls short at once goes back.
// Changing the buffer's size costs the browser some slow frames, so that it
// does not swing: a level that falls short, just tried or after a while,
// waits twice as long before its next try, and a shrink that was undone
// waits twice as long before the next shrink from there, from 4 s to at
// most 2 minutes.
// The window after each change, or after the page starts, is not judged: the
// browser reallocates the buffer. A gap of more than a second between two
// frames (a hidden tab, a stalled machine) starts the window afresh.
class DrawingScale {
public:
    static constexpr int kLevels = 7;

    explicit DrawingScale(std::int64_t ticksPerSecond);

    // A frame that draws, at `now`. Returns true when the scale changed: the
    // page gives the buffer its new size before the frame draws.
    bool frameDrawn(std::int64_t now);

    // The view changed size: the level stays, as a good start, but every
    // wait before a try of a larger level is short again.
    void viewChanged();

    double scale() const { return kScales[level_]; }
    int level() const { return level_; }
    // Frames a second that the page aims at.
    double aim() const { return aim_; }

private:
    // 2^(-k/4) for level k; the last is the floor, 0.35, where at 3840x2160
    // about four fifths of the stars that show at full size still show,
    // stretched (half of them at 1920x1080, which keeps its rate at full size).
    static constexpr double kScales[kLevels] = {1.0, 0.8409, 0.7071, 0.5946, 0.5, 0.4204, 0.3536};

    std::int64_t ticks(double seconds) const;
    bool judge(double rate, std::int64_t now);
    bool change(int level);

    std::int64_t ticksPerSecond_;
    std::int64_t windowTicks_;
    std::int64_t stallTicks_;
    std::int64_t firstWait_;
    std::int64_t longestWait_;
    int level_ = 0;
    double aim_;

    bool measuring_ = false; // the next frame starts a window when false
    std::int64_t windowStart_ = 0;
    std::int64_t lastFrame_ = 0;
    long long windowFrames_ = 0;
    bool skipWindow_ = true;

    int shortWindows_ = 0;
    double shortRate_ = 0.0; // the first of two short windows
    // A shrink on trial: the level and rate before it.
    int shrunkFrom_ = -1;
    double rateBeforeShrink_ = 0.0;
    // A try of a larger level: the level it came from.
    int triedFrom_ = -1;
    std::int64_t heldSince_ = 0;
    // Ticks level k+1 must hold before level k is tried.
    std::int64_t tryWait_[kLevels] = {};
    // After a shrink from level k that did not help: the wait before the
    // next shrink from there, and when that wait ends.
    std::int64_t shrinkWait_[kLevels] = {};
    std::int64_t noShrinkBefore_[kLevels] = {};
};
