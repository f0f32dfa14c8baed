#include "frame_pacing.h"

#include <gtest/gtest.h>

#include <cstdint>
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
        std::vector<std::int64_t> shown; // when each frame was shown
        std::vector<std::int64_t> due;   // when the next one is due
    };
    const Row rows[] = {
        // The first frame begins at 0. A late wake-up (the frame due at 20
        // begins at 20.4) does not move the frames after it.
        {{4 * kMs, 10 * kMs - 1, 20 * kMs + 400'000 + 3 * kMs, 40 * kMs - 1},
         {10 * kMs, 20 * kMs, 30 * kMs, 40 * kMs}},
        // Slow frames begin the next one at once, and the grid starts again.
        {{4 * kMs, 25 * kMs, 26 * kMs, 36 * kMs, 75 * kMs, 77 * kMs},
         {10 * kMs, 25 * kMs, 35 * kMs, 45 * kMs, 75 * kMs, 85 * kMs}},
    };
    for (const Row& row : rows) {
        FramePacer pacer(1'000'000'000);
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
