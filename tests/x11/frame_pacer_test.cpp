#include "frame_pacer.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kMs = 1'000'000;

} // namespace

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
