#include "frame_pacer.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kMs = 1'000'000;

} // namespace

TEST(FramePacer, FramesShownInTimeFollowEveryTenMillisecondsFromTheFirst)
{
    struct Row {
        std::int64_t shown; // when the frame was shown
        std::int64_t due;   // when the next one is due
    };
    // The first frame begins at 0. A late wake-up from the sleep (the frame
    // due at 20 begins at 20.4) does not move the frames after it.
    const Row rows[] = {
        {4 * kMs, 10 * kMs},
        {10 * kMs - 1, 20 * kMs},
        {20 * kMs + 400'000 + 3 * kMs, 30 * kMs},
        {40 * kMs - 1, 40 * kMs},
    };
    FramePacer pacer(0);
    for (const Row& r : rows) {
        EXPECT_EQ(pacer.nextFrameDue(r.shown), r.due) << r.shown;
    }
}

TEST(FramePacer, OneHundredFramesASecondDespiteLateWakeUps)
{
    // Each sleep ends 0.3 ms late and each frame takes 2 ms: frames counted
    // from the last due time keep the full rate, where frames counted from
    // their own start would fall to 99.7 a second.
    FramePacer pacer(0);
    std::int64_t start = 0;
    for (int frame = 1; frame < 100; ++frame) {
        start = pacer.nextFrameDue(start + 2 * kMs) + 300'000;
    }
    EXPECT_EQ(start, 990 * kMs + 300'000);
}

TEST(FramePacer, SlowFramesAreNotMadeUpByLaterFastOnes)
{
    // Frame k takes work[k] to draw; the next begins when it is due.
    const std::int64_t work[] = {4 * kMs, 15 * kMs, 1 * kMs, 1 * kMs, 30 * kMs, 2 * kMs};
    const std::int64_t expectedStarts[] = {0, 10 * kMs, 25 * kMs, 35 * kMs, 45 * kMs, 75 * kMs};
    FramePacer pacer(0);
    std::int64_t now = 0;
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(now, expectedStarts[k]) << "frame " << k;
        now = pacer.nextFrameDue(now + work[k]);
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
