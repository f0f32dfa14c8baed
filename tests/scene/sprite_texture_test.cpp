#include "sprite_texture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SpriteImage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        image_.resize(kSpriteImageBytes);
        fillSpriteImage(image_.data());
    }
    // Brightness of texel (row i, column j), after checking its four bytes agree.
    static int texel(int i, int j)
    {
        const unsigned char* t = &image_[(static_cast<size_t>(i) * kSpriteTextureSize + j) * 4];
        EXPECT_TRUE(t[0] == t[1] && t[1] == t[2] && t[2] == t[3]) << i << ", " << j;
        return t[0];
    }
    static std::vector<unsigned char> image_;
};

std::vector<unsigned char> SpriteImage::image_;

} // namespace

TEST_F(SpriteImage, NamedTexelsHaveTheirBrightness)
{
    struct Row {
        int i, j, brightness;
    };
    const Row rows[] = {
        {128, 128, 255}, // the peak, half a texel off the geometric centre
        {127, 127, 253}, // distance 1.414 truncates to 1
        {128, 120, 240}, {128, 136, 240},
        {128, 0, 24},    {0, 128, 24},    // distance 128
        {128, 255, 26},  {255, 128, 26},  // distance 127: the image is not symmetric
        {28, 128, 75},   {128, 28, 75},   // distance 100
        {0, 0, 0},       {255, 255, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(texel(r.i, r.j), r.brightness) << "texel " << r.i << ", " << r.j;
    }
}

TEST_F(SpriteImage, BrightnessFollowsTheIntegerRuleOfWholeDistance)
{
    // max(0, floor((1275 - 9d) / 5)) along the row through the peak, where the
    // distance is exactly |j - 128|.
    for (int j = 0; j < kSpriteTextureSize; ++j) {
        const int d = j < 128 ? 128 - j : j - 128;
        const int expected = std::max(0, (1275 - 9 * d) / 5);
        EXPECT_EQ(texel(128, j), expected) << j;
    }
}

TEST_F(SpriteImage, NearMissHypotenusesTruncateDown)
{
    // Offsets (+-120, +-27), (+-108, +-45), (+-99, +-20) in either order lie a
    // hair below a whole distance; 24 texels, each one step brighter.
    const int pairs[3][3] = {{120, 27, 122}, {108, 45, 116}, {99, 20, 100}};
    int seen = 0;
    for (const auto& p : pairs) {
        for (int swap = 0; swap < 2; ++swap) {
            for (int si : {1, -1}) {
                for (int sj : {1, -1}) {
                    const int di = si * (swap ? p[1] : p[0]);
                    const int dj = sj * (swap ? p[0] : p[1]);
                    const int i = 128 + di;
                    const int j = 128 + dj;
                    if (i < 0 || i > 255 || j < 0 || j > 255) {
                        continue;
                    }
                    ++seen;
                    EXPECT_EQ(texel(i, j), std::max(0, (1275 - 9 * p[2]) / 5)) << i << ", " << j;
                }
            }
        }
    }
    EXPECT_EQ(seen, 24);
    EXPECT_EQ(texel(8, 101), 35);
}

TEST_F(SpriteImage, WholeImageFigures)
{
    long sum = 0;
    int zeros = 0;
    for (int i = 0; i < kSpriteTextureSize; ++i) {
        for (int j = 0; j < kSpriteTextureSize; ++j) {
            const int b = texel(i, j);
            sum += b;
            zeros += b == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(zeros, 6845);
    EXPECT_EQ(sum, 5339535);
}
