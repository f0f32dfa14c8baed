#include "drawing_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

namespace {

// Seconds from a frame drawn at `seconds` at `level` to the next one.
using FrameGap = std::function<double(int level, double seconds)>;

// A page that draws 60 frames a second where the drawing is at most
// `fullSizeRate` of that at full size: a pure fill cost, which halves every
// two levels.
FrameGap fillBound(double fullSizeRate)
{
    return [fullSizeRate](int level, double) {
        return 1.0 / std::min(60.0, fullSizeRate * std::pow(2.0, level / 2.0));
    };
}

FrameGap steady(double rate)
{
    return [rate](int, double) { return 1.0 / rate; };
}

struct Outcome {
    int changes = 0;
    int finalLevel = 0;
    double aim = 0.0;
    double shareAtFinalLevel = 0.0; // of the time after the row's settledBy
};

// Frames as `gap` spaces them, for `seconds`, on a clock of microseconds;
// after `viewChangesAt` seconds, if that is positive, the view changes size
// and the frames come as `after` spaces them.
Outcome run(const FrameGap& gap, double seconds, double settledBy, double viewChangesAt = -1.0,
            const FrameGap& after = nullptr)
{
    DrawingScale scale(1'000'000);
    Outcome out;
    double t = 0.0;
    double timeAt[DrawingScale::kLevels] = {};
    bool viewChanged = false;
    while (t < seconds) {
        if (viewChangesAt > 0.0 && t >= viewChangesAt && !viewChanged) {
            scale.viewChanged();
            viewChanged = true;
        }
        out.changes += scale.frameDrawn(std::llround(t * 1e6)) ? 1 : 0;
        const double next = t + (viewChanged ? after : gap)(scale.level(), t);
        if (t >= settledBy) {
            timeAt[scale.level()] += next - t;
        }
        t = next;
    }
    out.finalLevel = scale.level();
    out.aim = scale.aim();
    out.shareAtFinalLevel = timeAt[out.finalLevel] / (t - settledBy);
    return out;
}

} // namespace

TEST(DrawingScale, ShrinksOnlyWhereThatKeepsTheRateAndDoesNotSwing)
{
    struct Row {
        const char* what;
        FrameGap gap;
        double seconds;
        double settledBy;  // from then on the level is the final one nearly all the time
        int finalLevel;
        int mostChanges;
        double aim;
        double viewChangesAt = -1.0;
        FrameGap after = nullptr;
    };
    const Row rows[] = {
        {"full size keeps 60", steady(60.0), 200, 0, 0, 0, 60.0},
        {"a 144 Hz display, 100 frames with a step", steady(100.0), 200, 0, 0, 0, 100.0},
        // Each try of the next larger level falls short, and the next waits
        // twice as long: in 200 s, tries after 8, 16, 32 and 64 s.
        {"3840x2160 at 7.5 fps in full", fillBound(7.5), 200, 10, 6, 5 + 2 * 4, 60.0},
        {"2560x1440 at 17 fps in full", fillBound(17.0), 200, 10, 4, 4 + 2 * 4, 60.0},
        {"drawn at the floor and still short", fillBound(3.0), 200, 5, 6, 2, 60.0},
        // Drawing less does not help: the shrink is undone and the aim is
        // what the display gives.
        {"a display at 30 Hz", steady(30.0), 200, 3, 0, 2, 30.0},
        {"a tab hidden for 5 s, shown for a moment and hidden again",
         [](int, double t) { return (t > 10.0 && t < 10.02) || (t > 15.3 && t < 15.32) ? 5.0 : 1.0 / 60.0; }, 200,
         0, 0, 0, 60.0},
        // From a 3840x2160 screen back to a window that keeps its rate in
        // full: each level is tried again after 4 s.
        {"a smaller view", fillBound(7.5), 300, 130, 0, 5 + 2 * 3 + 6, 60.0, 100.0, steady(60.0)},
    };
    for (const Row& row : rows) {
        const Outcome out = run(row.gap, row.seconds, row.settledBy, row.viewChangesAt, row.after);
        EXPECT_EQ(out.finalLevel, row.finalLevel) << row.what;
        EXPECT_LE(out.changes, row.mostChanges) << row.what;
        EXPECT_GE(out.shareAtFinalLevel, 0.95) << row.what;
        EXPECT_NEAR(out.aim, row.aim, 1.0) << row.what;
    }
}
