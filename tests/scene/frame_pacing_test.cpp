#include "frame_pacing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

constexpr std::int64_t kMs = 1'000'000; // nanoseconds

} // namespace

TEST(FramePacer, AFrameLastsOneHundredthOfASecondInWholeTicksOfAnyClock)
{
    struct Row {
        std::int64_t ticksPerSecond, leastFrameTicks, elapsed;
        bool over;
    };
    const Row rows[] = {
        {1'000'000, 0, 10'000, true}, // exactly 0.01 s
        {1'000'000, 0, 9'999, false},
        {3'579'545, 0, 35'795, false}, // the ACPI timer: 0.0099999 s
        {3'579'545, 0, 35'796, true},
        {10'000'000, 0, 150'000, true}, // a slow frame: no wait at all
        {1'000'000, 0, 0, false},       // no time yet
        {1'000'000, 0, -50, false},     // a counter read before the start
        {1000, 0, 9, false},            // the tick count, in milliseconds
        {1000, 0, 10, true},
        {1'000'000'000, 50 * kMs, 49 * kMs, false}, // a longer time asked for is kept
        {1'000'000'000, 50 * kMs, 50 * kMs, true},
        {1'000'000'000, 5 * kMs, 9 * kMs, false}, // a shorter one is not
    };
    for (const Row& row : rows) {
        const FramePacer pacer(row.ticksPerSecond, row.leastFrameTicks);
        EXPECT_EQ(pacer.frameOver(row.elapsed), row.over)
            << row.elapsed << " of " << row.ticksPerSecond << " a second";
        // The whole-tick threshold decides as the quotient in double precision does.
        EXPECT_EQ(pacer.frameOver(row.elapsed),
                  static_cast<double>(row.elapsed) / static_cast<double>(row.ticksPerSecond) >=
                          kMinFrameSeconds &&
                      row.elapsed >= row.leastFrameTicks)
            << row.elapsed << " of " << row.ticksPerSecond << " a second";
    }
}

namespace {

// A display's animation frames, `hz` a second for `seconds` from `start`, in
// whole microseconds as the web host takes them.
std::vector<std::int64_t> animationFrames(int hz, int seconds, std::int64_t start = 0)
{
    std::vector<std::int64_t> times;
    for (int k = 0; k <= hz * seconds; ++k) {
        times.push_back(start + std::llround(k * 1e6 / hz));
    }
    return times;
}

std::vector<std::int64_t> joined(std::vector<std::int64_t> first, const std::vector<std::int64_t>& then)
{
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

} // namespace

TEST(FramePacer, FixedStepsRunOneHundredASecondAtAnyRefreshRateAndAtMostFourAFrame)
{
    struct Row {
        const char* what;
        std::vector<std::int64_t> frames;
        std::size_t from;          // the index of the first frame in `steps`
        std::vector<int> steps;    // due in the frames from there
        long long total;           // due in all of them
        double stepsPerSecond;     // the steps meter's last figure, as the web host counts them
    };
    const Row rows[] = {
        {"30 Hz", animationFrames(30, 3), 0, {1, 3, 3, 4, 3, 3, 4}, 301, 100.0},
        {"60 Hz", animationFrames(60, 3), 0, {1, 1, 2, 2, 1, 2, 2}, 301, 100.0},
        {"75 Hz", animationFrames(75, 3), 0, {1, 1, 1, 2, 1, 1, 2}, 301, 100.0},
        {"120 Hz: one frame in six draws nothing", animationFrames(120, 3), 0, {1, 0, 1, 1, 1, 1, 1}, 301, 100.0},
        {"144 Hz", animationFrames(144, 3), 0, {1, 0, 1, 1, 0, 1, 1}, 301, 100.0},
        {"20 Hz: five steps due a frame, one dropped", animationFrames(20, 3), 0, {1, 4, 4, 4}, 241, 80.0},
        // 500 steps due after the pause: four run, and the grid goes on from
        // the last step due, 5 ms before the frame.
        {"a 5 s pause at 60 Hz", joined(animationFrames(60, 1), animationFrames(60, 2, 6'005'000)), 60,
         {2, 4, 2, 1, 2, 2, 1}, 305, 100.0},
        // A page restored with a new time origin.
        {"a clock that goes back", joined({5'000'000}, animationFrames(60, 2, 12'000)), 0, {1, 1, 1, 2, 2}, 202, 100.0},
    };
    for (const Row& row : rows) {
        FramePacer pacer(1'000'000);
        FrameRateMeter steps(1'000'000);
        std::vector<int> due;
        long long total = 0;
        for (const std::int64_t t : row.frames) {
            const int n = pacer.stepsDue(t);
            due.push_back(n);
            total += n;
            if (n > 0) {
                steps.counted(pacer.frameBegan(), n);
            }
        }
        EXPECT_EQ(std::vector<int>(due.begin() + static_cast<std::ptrdiff_t>(row.from),
                                   due.begin() + static_cast<std::ptrdiff_t>(row.from + row.steps.size())),
                  row.steps)
            << row.what;
        EXPECT_EQ(total, row.total) << row.what;
        EXPECT_DOUBLE_EQ(steps.framesPerSecond(), row.stepsPerSecond) << row.what;
    }
}

TEST(FramePacer, DeadlinesFollowEveryTenMillisecondsAndLostTimeIsNotMadeUp)
{
    struct Row {
        std::int64_t leastFrameTicks;
        std::vector<std::int64_t> shown; // when each frame was shown
        std::vector<std::int64_t> due;   // when the next one is due
    };
    const Row rows[] = {
        // The first frame begins at 0. A late wake-up (the frame due at 20
        // begins at 20.4) does not move the frames after it.
        {0,
         {4 * kMs, 10 * kMs - 1, 20 * kMs + 400'000 + 3 * kMs, 40 * kMs - 1},
         {10 * kMs, 20 * kMs, 30 * kMs, 40 * kMs}},
        // Slow frames begin the next one at once, and the grid starts again.
        {0,
         {4 * kMs, 25 * kMs, 26 * kMs, 36 * kMs, 75 * kMs, 77 * kMs},
         {10 * kMs, 25 * kMs, 35 * kMs, 45 * kMs, 75 * kMs, 85 * kMs}},
        // A longer least time between frames spaces them further; a shorter
        // one never closer than the cap.
        {25 * kMs, {2 * kMs, 27 * kMs}, {25 * kMs, 50 * kMs}},
        {4 * kMs, {2 * kMs, 12 * kMs}, {10 * kMs, 20 * kMs}},
    };
    for (const Row& row : rows) {
        FramePacer pacer(1'000'000'000, row.leastFrameTicks);
        pacer.firstFrameAt(0);
        std::vector<std::int64_t> due;
        for (const std::int64_t t : row.shown) {
            due.push_back(pacer.nextFrameDue(t));
        }
        EXPECT_EQ(due, row.due);
    }
    // Sleeps that end 0.3 ms late and frames that take 2 ms keep the full
    // rate, where frames counted from their own start would fall to 99.7.
    FramePacer pacer(1'000'000'000);
    pacer.firstFrameAt(0);
    std::int64_t start = 0;
    for (int frame = 1; frame < 100; ++frame) {
        start = pacer.nextFrameDue(start + 2 * kMs) + 300'000;
    }
    EXPECT_EQ(start, 990 * kMs + 300'000);
}

namespace {

// Runs frames for `seconds` as the Linux host does: a frame begins when it
// is due, `wake(k)` late, is shown `work(k)` after it began, and is counted
// at the time the pacer says it began. Returns every rate the meter gave.
std::vector<double> ratesOfPacedFrames(std::int64_t leastFrameTicks, const std::function<std::int64_t(int)>& wake,
                                       const std::function<std::int64_t(int)>& work, int seconds)
{
    FramePacer pacer(1'000'000'000, leastFrameTicks);
    FrameRateMeter meter(1'000'000'000);
    std::vector<double> rates;
    std::int64_t begin = wake(0);
    pacer.firstFrameAt(0);
    for (int k = 0; begin < seconds * 1000 * kMs; ++k) {
        const std::int64_t shown = begin + work(k);
        if (meter.frameShown(pacer.frameBegan())) {
            rates.push_back(meter.framesPerSecond());
        }
        const std::int64_t due = pacer.nextFrameDue(shown);
        begin = (due > shown ? due : shown) + wake(k + 1);
    }
    return rates;
}

} // namespace

TEST(FrameRateMeter, MeasuresWholeSecondSpansFromTheFirstFrame)
{
    FrameRateMeter meter(1'000'000'000);
    const std::int64_t startUp = 700 * kMs;
    EXPECT_FALSE(meter.frameShown(startUp));
    EXPECT_EQ(meter.framesPerSecond(), 0.0);
    EXPECT_EQ(meter.averageFramesPerSecond(), 0.0);
    // 100 more frames 10 ms apart complete the first second.
    for (int k = 1; k < 100; ++k) {
        EXPECT_FALSE(meter.frameShown(startUp + k * 10 * kMs)) << k;
    }
    EXPECT_TRUE(meter.frameShown(startUp + 1000 * kMs));
    EXPECT_DOUBLE_EQ(meter.framesPerSecond(), 100.0);
    // Then 40 frames 25 ms apart.
    for (int k = 1; k <= 40; ++k) {
        meter.frameShown(startUp + 1000 * kMs + k * 25 * kMs);
    }
    EXPECT_DOUBLE_EQ(meter.framesPerSecond(), 40.0);
    EXPECT_EQ(meter.totalFrames(), 141);
    EXPECT_DOUBLE_EQ(meter.secondsShown(), 2.0);
    EXPECT_DOUBLE_EQ(meter.averageFramesPerSecond(), 70.0);
}

TEST(FrameRateMeter, NoFigureAboveTheCapWhileFramesComeAtTheCap)
{
    struct Row {
        const char* what;
        std::int64_t leastFrameTicks;
        std::function<std::int64_t(int)> wake; // how late frame k begins
        std::function<std::int64_t(int)> work; // how long after its beginning it is shown
        double rate;                           // every figure given
    };
    const auto none = [](int) { return std::int64_t{0}; };
    // 0 to 9 ms in a fixed order without a short period, the same every run.
    const auto scatter = [](int k) {
        return static_cast<std::int64_t>((static_cast<std::uint32_t>(k) * 2654435761u >> 9) % 10) * kMs;
    };
    const Row rows[] = {
        {"on time", 0, none, [](int) { return 2 * kMs; }, 100.0},
        // Counted at presentation times, a span that began with a frame shown
        // 8 ms later than the one that ended it held 101 frames in 1002 ms.
        {"a span's first frame shown late", 0, none, [](int k) { return (k == 0 ? 9 : 1) * kMs; }, 100.0},
        {"wake-ups and swaps that scatter", 0, [&](int k) { return scatter(k) / 10; }, scatter, 100.0},
        {"frames slower than the cap", 0, none, [](int) { return 25 * kMs; }, 40.0},
        {"a least time of 25 ms between frames", 25 * kMs, scatter, [](int) { return 3 * kMs; }, 40.0},
    };
    for (const Row& r : rows) {
        const std::vector<double> rates = ratesOfPacedFrames(r.leastFrameTicks, r.wake, r.work, 5);
        ASSERT_GE(rates.size(), 4u) << r.what;
        for (double rate : rates) {
            EXPECT_NEAR(rate, r.rate, 1e-9) << r.what;
        }
    }
}
