// The scene drawn for real by Mesa in an off-screen context: what the frames
// look like and the GL state initScene leaves.
#include "offscreen_context.h"
#include "scene_reset.h"
#include "scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

struct Rgb {
    int r;
    int g;
    int b;
};

class ScenePixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetSceneToProcessStart();
        std::string error;
        context_ = createOffscreenContext(kWidth, kHeight, error);
        // Fatal here, so a machine without a context fails every test.
        ASSERT_NE(context_, nullptr) << error;
        pixels_.resize(static_cast<std::size_t>(kWidth) * kHeight * 4);
    }

    void grab() { context_->readPixelsTopDown(pixels_.data()); }

    // (x, y) from the top left, as in the PNG.
    Rgb at(int x, int y) const
    {
        const unsigned char* p = &pixels_[(static_cast<std::size_t>(y) * kWidth + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }

    Rgb frameTotal() const
    {
        Rgb total{0, 0, 0};
        for (std::size_t i = 0; i < pixels_.size(); i += 4) {
            total.r += pixels_[i];
            total.g += pixels_[i + 1];
            total.b += pixels_[i + 2];
        }
        return total;
    }

    std::unique_ptr<OffscreenContext> context_;
    std::vector<unsigned char> pixels_;
};

// Leaves only star 0 to be drawn in the next frame, at (x, y) and eye depth
// -depth, and no particle at all: the other stars sit where the
// next step wraps them, which skips drawing them.
void placeLoneStar(float depth, float x = 0.0f, float y = 0.0f)
{
    for (int k = 0; k < kStarCount; ++k) {
        gStarField.starZ[k] = -1.0f;
    }
    gStarField.starX[0] = x;
    gStarField.starY[0] = y;
    gStarField.starZ[0] = -depth - 1.0f; // the star pass steps it by +1 before drawing
    for (Particle& p : gParticlePool) {
        p.active = 0;
    }
}

} // namespace

TEST_F(ScenePixels, InitSceneLeavesTexturingAdditiveBlendingAndLinearBlackFog)
{
    initScene(kWidth, kHeight);

    const struct {
        GLenum cap;
        const char* name;
        bool enabled;
    } caps[] = {
        {GL_TEXTURE_2D, "GL_TEXTURE_2D", true}, {GL_BLEND, "GL_BLEND", true},
        {GL_FOG, "GL_FOG", true},               {GL_DEPTH_TEST, "GL_DEPTH_TEST", false},
        {GL_LIGHTING, "GL_LIGHTING", false},    {GL_CULL_FACE, "GL_CULL_FACE", false},
    };
    for (const auto& c : caps) {
        EXPECT_EQ(glIsEnabled(c.cap) == GL_TRUE, c.enabled) << c.name;
    }

    GLint value = 0;
    glGetIntegerv(GL_FOG_MODE, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);

    GLfloat f = 0.0f;
    glGetFloatv(GL_FOG_DENSITY, &f);
    EXPECT_EQ(f, 0.594f);
    glGetFloatv(GL_FOG_START, &f);
    EXPECT_EQ(f, 0.0f);
    glGetFloatv(GL_FOG_END, &f);
    EXPECT_EQ(f, 250.0f);
    GLfloat colour[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_EQ(colour[0], 0.0f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(colour[2], 0.0f);
    EXPECT_EQ(colour[3], 1.0f);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWidth);
    EXPECT_EQ(viewport[3], kHeight);
    // A 45-degree perspective with the aspect 800/600 as a real quotient: the
    // x scale is the y scale divided by 1.333..., not by the integer 1.
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const double yScale = 1.0 / std::tan(22.5 * M_PI / 180.0);
    EXPECT_NEAR(projection[5], yScale, 1e-6);
    EXPECT_NEAR(projection[0], yScale * 600.0 / 800.0, 1e-6);

    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 256) << "the sprite texture is not in the default texture";
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR) << "only level 0 exists; a mipmap filter leaves it incomplete";
}

TEST_F(ScenePixels, BackgroundIsBlackAfterOneFrameAndAfterTwoHundred)
{
    initScene(kWidth, kHeight);
    for (int frame = 1; frame <= 200; ++frame) {
        renderFrame();
        if (frame != 1 && frame != 200) {
            continue;
        }
        grab();
        for (const auto& corner : {std::pair{0, 0}, std::pair{kWidth - 1, 0},
                                   std::pair{0, kHeight - 1}, std::pair{kWidth - 1, kHeight - 1}}) {
            const Rgb p = at(corner.first, corner.second);
            EXPECT_EQ(p.r + p.g + p.b, 0) << "frame " << frame << " corner (" << corner.first
                                          << ", " << corner.second << ")";
        }
    }
}

TEST_F(ScenePixels, FirstFrameBurstIsABrightSquareCentredInTheView)
{
    initScene(kWidth, kHeight);
    renderFrame();
    grab();

    // All 250 particles sit at the pass's origin, 15 units straight ahead, and
    // add up to white: a 0.4-unit square, 0.4 * 300 / tan(22.5 deg) / 15 =
    // 19.3 pixels wide, around the view's centre between pixels 399 and 400.
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb p = at(x, y);
            if (p.r >= 250 && p.g >= 250 && p.b >= 250) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0) << "no bright pixel in the first frame";
    EXPECT_NEAR((left + right) / 2.0, 399.5, 1.0);
    EXPECT_NEAR((top + bottom) / 2.0, 299.5, 1.0);
    EXPECT_NEAR(right - left + 1, 19.3, 2.0);
    EXPECT_NEAR(bottom - top + 1, 19.3, 2.0);

    // Brightness falls off with distance from the centre, along both axes.
    int previous = 3 * 255 + 1;
    for (int offset : {0, 5, 9, 12, 30, 100}) {
        const Rgb a = at(400 + offset, 300);
        const Rgb b = at(399, 299 - offset);
        const int brightness = std::max(a.r + a.g + a.b, b.r + b.g + b.b);
        EXPECT_LE(brightness, previous) << "offset " << offset;
        previous = brightness;
    }
    EXPECT_EQ(previous, 0) << "100 pixels out is beyond the glow";
}

TEST_F(ScenePixels, RunningFlameIsWarmOrangeOnTopOfWhiteStars)
{
    initScene(kWidth, kHeight);
    for (int frame = 0; frame < 200; ++frame) {
        renderFrame();
    }
    grab();
    // Stars add equal red, green and blue; reborn particles (1, 0.3, 0) age
    // towards grey, so the frame as a whole leans to red, then green.
    const Rgb total = frameTotal();
    EXPECT_GT(total.r, total.g * 1.2);
    EXPECT_GT(total.g, total.b * 1.2);
}

TEST_F(ScenePixels, FogLeavesAStarTheShareOfItsBrightnessThatItsDepthAllows)
{
    initScene(kWidth, kHeight);
    // At eye distance c a star keeps (250 - c) / 250 of its colour. Measured
    // against the same star drawn without fog, so the share is independent of
    // the star's size on screen and of texture sampling.
    for (float depth : {5.0f, 50.0f, 125.0f, 200.0f}) {
        placeLoneStar(depth);
        renderFrame();
        grab();
        const double fogged = frameTotal().r;

        placeLoneStar(depth);
        glDisable(GL_FOG);
        renderFrame();
        glEnable(GL_FOG);
        grab();
        const double clear = frameTotal().r;

        ASSERT_GT(clear, 0) << "the star at depth " << depth << " is not in view";
        EXPECT_NEAR(fogged / clear, (250.0 - depth) / 250.0, 0.02) << "depth " << depth;
    }
}

TEST_F(ScenePixels, AStarUpAndLeftOfTheAxisLandsUpAndLeftInTheImage)
{
    initScene(kWidth, kHeight);
    placeLoneStar(20.0f, -3.0f, 2.0f);
    renderFrame();
    grab();
    // Perspective with a 45-degree view: 300 / tan(22.5 deg) / 20 = 36.2
    // pixels per unit at depth 20, the same across as down. The image's first
    // row is the top of the view.
    double weight = 0, sumX = 0, sumY = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int v = at(x, y).r;
            weight += v;
            sumX += v * (x + 0.5);
            sumY += v * (y + 0.5);
        }
    }
    ASSERT_GT(weight, 0) << "the star is not in view";
    const double scale = 300.0 / std::tan(22.5 * M_PI / 180.0) / 20.0;
    EXPECT_NEAR(sumX / weight, 400.0 - 3.0 * scale, 1.5);
    EXPECT_NEAR(sumY / weight, 300.0 - 2.0 * scale, 1.5);
}
