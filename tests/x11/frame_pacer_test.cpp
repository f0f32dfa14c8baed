#include "frame_pacer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr std::int64_t kMs = 1'000'000;

// Runs frames for `seconds` as the host does: a frame begins when it is due,
// `wake(k)` late, is shown `work(k)` after it began, and is counted by the
// meter at its due time. Returns every rate the meter gave.
std::vector<double> ratesOfPacedFrames(std::int64_t leastGap, const std::function<std::int64_t(int)>& wake,
                                       const std::function<std::int64_t(int)>& work, int seconds)
{
    FramePacer pacer(0, leastGap);
    FrameRateMeter meter;
    std::vector<double> rates;
    std::int64_t begin = wake(0);
    for (int k = 0; begin < seconds * 1000 * kMs; ++k) {
        const std::int64_t shown = begin + work(k);
        if (meter.frameShown(pacer.due())) {
            rates.push_back(meter.framesPerSecond());
        }
        const std::int64_t due = pacer.nextFrameDue(shown);
        begin = (due > shown ? due : shown) + wake(k + 1);
    }
    return rates;
}

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

TEST(FramePacer, TheDelaySpacesFramesFurtherButNeverCloserThanTheCap)
{
    struct Row {
        std::int64_t leastGap;
        std::int64_t gap;
    };
    const Row rows[] = {{0, 10 * kMs}, {4 * kMs, 10 * kMs}, {10 * kMs, 10 * kMs}, {25 * kMs, 25 * kMs}};
    for (const Row& r : rows) {
        FramePacer pacer(0, r.leastGap);
        EXPECT_EQ(pacer.nextFrameDue(2 * kMs), r.gap) << r.leastGap;
        EXPECT_EQ(pacer.nextFrameDue(r.gap + 2 * kMs), 2 * r.gap) << r.leastGap;
    }
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

TEST(FrameRateMeter, NoFigureAboveTheCapWhileFramesComeAtTheCap)
{
    struct Row {
        const char* what;
        std::int64_t leastGap;
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
        {"on time", kMinFrameNanos, none, [](int) { return 2 * kMs; }, 100.0},
        // Under XScreenSaver the overlay read 100.8: counted at presentation
        // times, a span that began with a frame shown 8 ms later than the one
        // that ended it held 101 frames in 1002 ms.
        {"a span's first frame shown late", kMinFrameNanos, none,
         [](int k) { return (k == 0 ? 9 : 1) * kMs; }, 100.0},
        {"wake-ups and swaps that scatter", kMinFrameNanos, [&](int k) { return scatter(k) / 10; },
         scatter, 100.0},
        {"frames slower than the cap", kMinFrameNanos, none, [](int) { return 25 * kMs; }, 40.0},
        {"-delay 25000", 25 * kMs, scatter, [](int) { return 3 * kMs; }, 40.0},
    };
    for (const Row& r : rows) {
        const std::vector<double> rates = ratesOfPacedFrames(r.leastGap, r.wake, r.work, 5);
        ASSERT_GE(rates.size(), 4u) << r.what;
        for (double rate : rates) {
            EXPECT_NEAR(rate, r.rate, 1e-9) << r.what;
        }
    }
}
