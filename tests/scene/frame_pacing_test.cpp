#include "frame_pacing.h"

#include <gtest/gtest.h>

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

TEST(FramePacer, WithoutCatchUpAFrameBeginsNoSoonerThanTenMillisecondsAfterTheOneBefore)
{
    struct Row {
        std::vector<std::int64_t> offered; // microseconds at which a frame could begin
        std::vector<std::int64_t> begun;
    };
    const Row rows[] = {
        // A display refreshed every 4 ms gets a frame on every third refresh.
        {{1000, 5000, 9000, 13000, 17000, 21000, 25000}, {1000, 13000, 25000}},
        {{5000, 14999, 15000, 24500, 25000}, {5000, 15000, 25000}},
        // After a 30 ms gap the next frame counts from the late one.
        {{0, 30000, 35000, 39000, 40000, 45000, 50000}, {0, 30000, 40000, 50000}},
        // A clock that goes back (a page restored with a new time origin).
        {{5'000'000, 12000, 15000, 22000}, {5'000'000, 12000, 22000}},
    };
    for (const Row& row : rows) {
        FramePacer pacer(1'000'000);
        std::vector<std::int64_t> begun;
        for (const std::int64_t t : row.offered) {
            if (pacer.beginFrame(t)) {
                begun.push_back(t);
            }
        }
        EXPECT_EQ(begun, row.begun);
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
