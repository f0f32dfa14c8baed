#include "planar_distance.h"
#include "random_source.h"
#include "whole_radian.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(RandomSource, StartsFromStateOneWithTheKnownSequence)
{
    RandomSource random;
    const unsigned expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (unsigned value : expected) {
        EXPECT_EQ(random.draw(), value);
    }
    EXPECT_EQ(random.draws(), 10u);
}

TEST(RandomSource, StateWrapsModulo2To32AndDrawsStayIn15Bits)
{
    RandomSource random;
    std::uint32_t s = 1;
    for (int i = 0; i < 100000; ++i) {
        s = s * 214013u + 2531011u;
        const unsigned d = random.draw();
        ASSERT_EQ(random.state(), s);
        ASSERT_EQ(d, (s >> 16) & 0x7FFFu);
        ASSERT_LE(d, 32767u);
    }
}

TEST(PlanarDistance, GivesTheHypotenuseWithoutOverflow)
{
    struct Row {
        double a, b, expected;
    };
    const Row rows[] = {
        {0, 0, 0},       {3, 4, 5},       {-3, 4, 5},  {4, -3, 5},        {0, -7, 7},
        {-128, 0, 128},  {1, 1, std::sqrt(2.0)}, {5, 12, 13},
    };
    for (const Row& r : rows) {
        EXPECT_DOUBLE_EQ(planarDistance(r.a, r.b), r.expected) << r.a << ", " << r.b;
    }
    // Squaring first would overflow to infinity here.
    const double big = 1e300;
    EXPECT_TRUE(std::isfinite(planarDistance(big, big)));
    EXPECT_DOUBLE_EQ(planarDistance(big, big), big * std::sqrt(2.0));
    // And underflow to zero here.
    EXPECT_GT(planarDistance(1e-300, 1e-300), 0.0);
}

TEST(PlanarDistance, NearMissHypotenusesFallJustBelowTheWholeNumber)
{
    // Truncating callers see 122, not 123; a plain sqrt(a*a + b*b) gives 123.
    struct Row {
        double a, b, whole;
    };
    const Row rows[] = {{120, 27, 123}, {108, 45, 117}, {99, 20, 101}};
    for (const Row& r : rows) {
        for (double sa : {1.0, -1.0}) {
            for (double sb : {1.0, -1.0}) {
                const double below = std::nextafter(r.whole, 0.0);
                EXPECT_EQ(planarDistance(sa * r.a, sb * r.b), below) << r.a << ", " << r.b;
                EXPECT_EQ(planarDistance(sb * r.b, sa * r.a), below) << r.b << ", " << r.a;
            }
        }
    }
    EXPECT_EQ(planarDistance(120, 27), 122.99999999999999);
}

TEST(WholeRadian, TakesItsArgumentAsRadiansAndAgreesWithTheLibraryToOneUlp)
{
    for (int a = 0; a < 360; ++a) {
        const double s = std::sin(static_cast<double>(a));
        const double c = std::cos(static_cast<double>(a));
        EXPECT_LE(std::fabs(wholeRadianSine(a) - s), std::fabs(std::nextafter(s, 2.0 * s + 1.0) - s)) << a;
        EXPECT_LE(std::fabs(wholeRadianCosine(a) - c), std::fabs(std::nextafter(c, 2.0 * c + 1.0) - c)) << a;
    }
    EXPECT_EQ(wholeRadianSine(0), 0.0);
    EXPECT_EQ(wholeRadianCosine(0), 1.0);
    EXPECT_LT(wholeRadianSine(90), 0.9); // 90 radians, not degrees
}
