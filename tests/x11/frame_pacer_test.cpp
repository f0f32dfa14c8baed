#include "frame_pacer.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kMs = 1'000'000;

} // namespace

TEST(FramePacer, WaitsUntilTenMillisecondsAfterTheFrameBegan)
{
    struct Row {
        std::int64_t start;
        std::int64_t now;
        std::int64_t wait;
    };
    const Row rows[] = {
        {0, 0, 10 * kMs},
        {0, 4 * kMs, 6 * kMs},          // a 4 ms frame sleeps 6 ms
        {0, 10 * kMs - 1, 1},
        {0, 10 * kMs, 0},               // exactly 0.01 s ends the wait
        {0, 15 * kMs, 0},               // a slow frame gets no wait
        {5 * kMs, 9 * kMs, 6 * kMs},
        {1'000'000'000'000'000, 1'000'000'000'000'000 + 3 * kMs, 7 * kMs},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(nanosToWait(r.start, r.now), r.wait) << r.start << " " << r.now;
        EXPECT_EQ(frameDeadline(r.start), r.start + 10 * kMs);
    }
}

TEST(FramePacer, SlowFramesAreNotMadeUpByLaterFastOnes)
{
    // Frame k takes work[k] to draw; the next begins when the wait is over.
    const std::int64_t work[] = {4 * kMs, 15 * kMs, 1 * kMs, 1 * kMs, 30 * kMs, 2 * kMs};
    const std::int64_t expectedStarts[] = {0, 10 * kMs, 25 * kMs, 35 * kMs, 45 * kMs, 75 * kMs};
    std::int64_t now = 0;
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(now, expectedStarts[k]) << "frame " << k;
        const std::int64_t start = now;
        now += work[k];
        now += nanosToWait(start, now);
    }
}

TEST(FrameRateMeter, MeasuresWholeSecondSpansFromTheFirstFrameShown)
{
    FrameRateMeter meter;
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
