#include "frame_pacing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(FramePacing, CounterWaitEndsAtExactlyOneHundredthOfASecond)
{
    struct Row {
        std::int64_t start, now, frequency;
        bool over;
    };
    const Row rows[] = {
        {0, 10000, 1000000, true},          // exactly 0.01 s
        {0, 9999, 1000000, false},
        {5000000, 5010000, 1000000, true},
        {0, 35795, 3579545, false},         // ACPI timer: 0.0099999 s
        {0, 35796, 3579545, true},
        {0, 150000, 10000000, true},        // a slow frame: no wait at all
        {100, 100, 1000000, false},         // no time yet
        {100, 50, 1000000, false},          // a counter read before the start
        {std::numeric_limits<std::int64_t>::max() - 10000, std::numeric_limits<std::int64_t>::max(), 1000000, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(counterFrameOver(row.start, row.now, row.frequency), row.over)
            << row.start << " -> " << row.now << " at " << row.frequency;
    }
}

TEST(FramePacing, TickWaitTakesTenMillisecondsAcrossTheWrap)
{
    EXPECT_FALSE(tickFrameOver(1000, 1009));
    EXPECT_TRUE(tickFrameOver(1000, 1010));
    EXPECT_FALSE(tickFrameOver(0xFFFFFFFAu, 3)); // 9 ms, wrapped
    EXPECT_TRUE(tickFrameOver(0xFFFFFFFAu, 4));  // 10 ms, wrapped
}
