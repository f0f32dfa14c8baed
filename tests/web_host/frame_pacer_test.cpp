#include "frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The time stamps among `times` at which a frame began.
std::vector<double> framesBegun(const std::vector<double>& times)
{
    FramePacer pacer;
    std::vector<double> begun;
    for (double t : times) {
        if (pacer.beginFrame(t)) {
            begun.push_back(t);
        }
    }
    return begun;
}

} // namespace

TEST(WebFramePacer, AFrameBeginsNoSoonerThanTenMillisecondsAfterTheOneBefore)
{
    // A display refreshed every 4 ms gets a frame on every third refresh.
    EXPECT_EQ(framesBegun({1000, 1004, 1008, 1012, 1016, 1020, 1024, 1028}),
              (std::vector<double>{1000, 1012, 1024}));
    EXPECT_EQ(framesBegun({5, 14.999, 15, 24.5, 25}), (std::vector<double>{5, 15, 25}));
}

TEST(WebFramePacer, TimeLostIsNotMadeUp)
{
    // After a 30 ms gap the next frame counts from the late one, not from
    // where the frame should have been.
    EXPECT_EQ(framesBegun({0, 30, 35, 39, 40, 45, 50}), (std::vector<double>{0, 30, 40, 50}));
}

TEST(WebFramePacer, AClockThatGoesBackStartsThePacingAfresh)
{
    EXPECT_EQ(framesBegun({5000, 12, 15, 22}), (std::vector<double>{5000, 12, 22}));
}
