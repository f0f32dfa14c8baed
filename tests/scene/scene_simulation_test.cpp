#include "scene.h"
#include "scene_test_support.h"

#include <cmath>

namespace {

void initSceneQuietly()
{
    initScene(800, 600);
}

} // namespace

using StarField_ = SceneTest;
using FlameSource_ = SceneTest;
using Particles = SceneTest;
using SceneRun = SceneTest;

TEST_F(StarField_, FirstStarsTakeTheFirstDrawsOfTheProcess)
{
    initStars();
    const float expected[4][3] = {{-59, -33, 84}, {0, 69, -26}, {-22, 58, 212}, {-36, 5, -105}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(gStarField.starX[k], expected[k][0]) << k;
        EXPECT_EQ(gStarField.starY[k], expected[k][1]) << k;
        EXPECT_EQ(gStarField.starZ[k], expected[k][2]) << k;
    }
    EXPECT_EQ(gRandomSource.draws(), 1500u);
    for (int k = 0; k < kStarCount; ++k) {
        EXPECT_TRUE(gStarField.starX[k] >= -100 && gStarField.starX[k] <= 99);
        EXPECT_TRUE(gStarField.starY[k] >= -100 && gStarField.starY[k] <= 99);
        EXPECT_TRUE(gStarField.starZ[k] >= -250 && gStarField.starZ[k] <= 249);
    }
}

TEST_F(StarField_, DepthsWrapBySubtractingTheSpan)
{
    struct Row {
        float before;
        float afterOne;
        float afterTwo;
    };
    const Row rows[] = {
        {-2, -1, -250},  // drawn at -1, then reaches 0 and wraps
        {-1, -250, -249},
        {249, 0, -249},  // wraps twice: to 0, then to -249
        {84, -165, -164},
        {-250, -249, -248},
    };
    for (const Row& r : rows) {
        gStarField.starZ[0] = r.before;
        renderStars();
        EXPECT_EQ(gStarField.starZ[0], r.afterOne) << r.before;
        renderStars();
        EXPECT_EQ(gStarField.starZ[0], r.afterTwo) << r.before;
    }
}

TEST_F(SceneRun, StarsStayInRangeAndKeepTheirPlaceOverManyFrames)
{
    initSceneQuietly();
    const StarField placed = gStarField;
    renderFrame();
    for (int k = 0; k < kStarCount; ++k) {
        ASSERT_TRUE(gStarField.starZ[k] >= -250 && gStarField.starZ[k] <= 0) << k;
    }
    for (int frame = 2; frame <= 600; ++frame) {
        renderFrame();
        for (int k = 0; k < kStarCount; ++k) {
            ASSERT_TRUE(gStarField.starZ[k] >= -250 && gStarField.starZ[k] <= -1) << k;
            ASSERT_EQ(gStarField.starZ[k], std::trunc(gStarField.starZ[k])) << k;
        }
    }
    for (int k = 0; k < kStarCount; ++k) {
        EXPECT_EQ(gStarField.starX[k], placed.starX[k]);
        EXPECT_EQ(gStarField.starY[k], placed.starY[k]);
    }
}

TEST_F(FlameSource_, FirstFrameWithoutKickCirclesTheOrigin)
{
    initSceneQuietly();
    EXPECT_EQ(gRandomSource.draws(), 2500u);
    RandomSource peek = gRandomSource;
    EXPECT_EQ(peek.draw(), 17651u); // k = 151: no kick
    renderFrame();
    EXPECT_NEAR(gFlameSource.velX, -0.0398, 5e-7);
    EXPECT_NEAR(gFlameSource.velY, 1.99, 5e-7);
    EXPECT_EQ(gFlameSource.velZ, 0.0f);
    EXPECT_NEAR(gFlameSource.x, 3.99801, 5e-6);
    EXPECT_NEAR(gFlameSource.y, 0.0995, 5e-7);
    EXPECT_EQ(gFlameSource.z, 0.0f);
    EXPECT_EQ(gFlameSource.driftX, 0.0f);
}

TEST_F(FlameSource_, KicksPushAlongOneAxisAndDecay)
{
    // Find a generator state whose next draw gives each kick value, then step
    // from a resting source there.
    for (unsigned k = 0; k <= 7; ++k) {
        RandomSource search;
        RandomSource before = search;
        while (search.draw() % 500 != k) {
            before = search;
        }
        gRandomSource = before;
        gFlameSource = FlameSource{};
        gFlameSource.x = 0.0f;
        gFlameSource.velY = 0.0f;
        stepFlameSource();
        const float drift[3] = {gFlameSource.driftX, gFlameSource.driftY, gFlameSource.driftZ};
        const float vel[3] = {gFlameSource.velX, gFlameSource.velY, gFlameSource.velZ};
        for (int axis = 0; axis < 3; ++axis) {
            const bool kicked = k >= 1 && k <= 6 && static_cast<int>(k - 1) / 2 == axis;
            const float sign = (k % 2 == 1) ? 1.0f : -1.0f;
            if (kicked) {
                EXPECT_NEAR(drift[axis], sign * 0.49f, 1e-7) << "k " << k;
                EXPECT_NEAR(vel[axis], sign * 0.1 * 0.995, 1e-7) << "k " << k;
            } else {
                EXPECT_EQ(drift[axis], 0.0f) << "k " << k << " axis " << axis;
                EXPECT_EQ(vel[axis], 0.0f) << "k " << k << " axis " << axis;
            }
        }
    }
}

TEST_F(FlameSource_, OppositeKicksDoNotCancel)
{
    gFlameSource.driftX = 0.49f; // a +x kick one frame ago
    gRandomSource = RandomSource{};
    while (true) { // park the generator just before a draw of k = 2
        RandomSource next = gRandomSource;
        if (next.draw() % 500 == 2) {
            break;
        }
        gRandomSource = next;
    }
    stepFlameSource();
    EXPECT_NEAR(gFlameSource.driftX, (0.49 - 0.5) * 0.98, 1e-7);
    EXPECT_NE(gFlameSource.driftX, 0.0f);
}

TEST_F(Particles, InitialBurstStartsAtTheOriginWithRainbowColours)
{
    initSceneQuietly();
    const Particle& p0 = gParticlePool[0];
    EXPECT_FLOAT_EQ(p0.fade, 0.019f);
    EXPECT_NEAR(p0.velX, 113.39, 0.005);
    EXPECT_NEAR(p0.velY, 142.36, 0.005);
    EXPECT_NEAR(p0.velZ, 161.24, 0.005);
    for (int i = 0; i < kParticleCount; ++i) {
        const Particle& p = gParticlePool[i];
        EXPECT_EQ(p.active, 1);
        EXPECT_EQ(p.life, 1.0f);
        EXPECT_EQ(p.x, 0.0f);
        EXPECT_EQ(p.y, 0.0f);
        EXPECT_EQ(p.z, 0.0f);
        EXPECT_EQ(p.accelX, 0.0f);
        EXPECT_EQ(p.accelY, 0.0f);
        EXPECT_EQ(p.accelZ, 0.5f);
        EXPECT_TRUE(p.fade >= 0.003f && p.fade <= 0.102f) << i;
        const float speed = std::hypot(p.velX, p.velY);
        EXPECT_LT(speed, 249.01f) << i;
        // Runs of 20 per row after the first 19; the last eleven wrap to row 0.
        const int row = i < 19 ? 0 : (i < 239 ? (i + 1) / 20 : 0);
        EXPECT_EQ(p.red, kRainbowColours[row][0]) << i;
        EXPECT_EQ(p.green, kRainbowColours[row][1]) << i;
        EXPECT_EQ(p.blue, kRainbowColours[row][2]) << i;
    }
    EXPECT_EQ(gParticlePool[18].red, kRainbowColours[0][0]);
    EXPECT_EQ(gParticlePool[19].green, kRainbowColours[1][1]);
    EXPECT_EQ(gParticlePool[238].blue, kRainbowColours[11][2]);
}

TEST_F(Particles, FirstPassMovesDampsAndAgesParticleZero)
{
    initSceneQuietly();
    renderFrame();
    const Particle& p = gParticlePool[0];
    EXPECT_NEAR(p.x, 0.4536, 5e-5);
    EXPECT_NEAR(p.y, 0.5695, 5e-5);
    EXPECT_NEAR(p.z, 0.6450, 5e-5);
    EXPECT_NEAR(p.velX, 110.55, 0.005);
    EXPECT_NEAR(p.velY, 138.80, 0.005);
    EXPECT_NEAR(p.velZ, 157.71, 0.005);
    EXPECT_FLOAT_EQ(p.life, 0.981f);
    EXPECT_NEAR(p.red, 0.998, 5e-7);
    EXPECT_NEAR(p.green, 0.4999, 5e-7);
    EXPECT_EQ(p.blue, 0.25f); // table blue 0.5 meets the ceiling at once
}

TEST_F(SceneRun, DrawCountsFollowRebirthsFrameByFrame)
{
    initSceneQuietly();
    for (int frame = 1; frame <= 9; ++frame) {
        renderFrame();
        EXPECT_EQ(gRandomSource.draws(), 2500u + frame) << "frame " << frame;
    }
    renderFrame();
    int reborn = 0;
    for (const Particle& p : gParticlePool) {
        reborn += (p.red > 0.99f && p.green < 0.31f) ? 1 : 0;
    }
    EXPECT_EQ(reborn, 28);
    EXPECT_EQ(gRandomSource.draws(), 2706u);
}

TEST_F(SceneRun, FirstKickComesInFrame26WithK4)
{
    initSceneQuietly();
    for (int frame = 1; frame <= 25; ++frame) {
        renderFrame();
        ASSERT_EQ(gFlameSource.driftX, 0.0f) << frame;
        ASSERT_EQ(gFlameSource.driftY, 0.0f) << frame;
        ASSERT_EQ(gFlameSource.driftZ, 0.0f) << frame;
    }
    renderFrame();
    EXPECT_NEAR(gFlameSource.driftY, -0.49f, 1e-7);
    EXPECT_EQ(gFlameSource.driftX, 0.0f);
    EXPECT_EQ(gFlameSource.driftZ, 0.0f);
}

TEST_F(SceneRun, RebornParticlesAreOrangeAtTheSourceWithSmallVelocities)
{
    initSceneQuietly();
    for (int frame = 1; frame <= 400; ++frame) {
        ParticlePool before = gParticlePool;
        const std::uint64_t drawsBefore = gRandomSource.draws();
        renderFrame();
        int reborn = 0;
        for (int i = 0; i < kParticleCount; ++i) {
            const Particle& p = gParticlePool[i];
            ASSERT_GE(p.life, 0.05f);
            ASSERT_LE(p.life, 1.0f);
            if (p.life != 1.0f) {
                continue;
            }
            ++reborn;
            // Reborn this frame: at the source's new position, not the old one.
            EXPECT_EQ(p.x, gFlameSource.x);
            EXPECT_EQ(p.y, gFlameSource.y);
            EXPECT_EQ(p.z, gFlameSource.z);
            EXPECT_TRUE(p.fade >= 0.0075f && p.fade <= 0.0208f) << p.fade;
            EXPECT_TRUE(p.velZ == -1.0f || p.velZ == 0.0f);
            const float speed = std::hypot(p.velX, p.velY);
            EXPECT_TRUE(speed > 0.99f && speed < 9.01f) << speed;
            EXPECT_FLOAT_EQ(p.red, 0.998f);
            EXPECT_FLOAT_EQ(p.green, 0.2999f);
            EXPECT_FLOAT_EQ(p.blue, 0.0003f);
            EXPECT_EQ(p.accelZ, 0.5f);
            EXPECT_EQ(p.active, before[i].active);
        }
        ASSERT_EQ(gRandomSource.draws(), drawsBefore + 1 + 7u * reborn) << "frame " << frame;
    }
}

namespace {

// Passes until the particle is reborn, starting from a particle just born
// with the given fade; rebirth shows as the seven draws it takes.
int passesUntilRebirth(float fade)
{
    Particle& p = gParticlePool[0];
    for (int i = 1; i < kParticleCount; ++i) {
        gParticlePool[i].active = 0;
    }
    p.active = 1;
    p.life = 1.0f;
    p.fade = fade;
    for (int pass = 1; pass < 1000; ++pass) {
        const std::uint64_t before = gRandomSource.draws();
        renderParticles();
        if (gRandomSource.draws() != before) {
            return pass;
        }
    }
    return -1;
}

} // namespace

TEST_F(Particles, LifetimesFollowTheFade)
{
    struct Row {
        float fade;
        int passes;
    };
    const Row rows[] = {
        {0.102f, 9},   // the fastest initial fade
        {0.003f, 218}, // the slowest initial fade
        {static_cast<float>(99 * static_cast<double>(1.0f / 7500.0f) + 0.0075f), 41},
        {0.0075f, 100},
    };
    for (const Row& r : rows) {
        resetSceneState();
        EXPECT_EQ(passesUntilRebirth(r.fade), r.passes) << "fade " << r.fade;
    }
}

TEST_F(Particles, LifeThresholdsAreStrict)
{
    for (int i = 1; i < kParticleCount; ++i) {
        gParticlePool[i].active = 0;
    }
    Particle& p = gParticlePool[0];
    p.active = 1;

    // L exactly 0.5 keeps it, with no extra decay.
    p.life = 0.75f;
    p.fade = 0.25f;
    renderParticles();
    EXPECT_EQ(p.life, 0.5f);

    // A life that lands exactly on 0.05 is not reborn.
    float start = 0.0512f;
    while (static_cast<float>(static_cast<double>(start) * 0.975) != 0.05f) {
        start = std::nextafter(start, 1.0f);
        ASSERT_LT(start, 0.0514f);
    }
    p.life = start;
    p.fade = 0.0f;
    const std::uint64_t before = gRandomSource.draws();
    renderParticles();
    EXPECT_EQ(p.life, 0.05f);
    EXPECT_EQ(gRandomSource.draws(), before);
    renderParticles();
    EXPECT_EQ(p.life, 1.0f);
    EXPECT_EQ(gRandomSource.draws(), before + 7);
}

TEST_F(Particles, ColourAgesTowardsGreyWithinItsLimits)
{
    for (int i = 1; i < kParticleCount; ++i) {
        gParticlePool[i].active = 0;
    }
    Particle& p = gParticlePool[0];
    p.active = 1;
    p.life = 1.0f;
    p.fade = 0.0f;
    p.red = 0.251f;
    p.green = 0.25f;
    p.blue = 0.2497f;
    renderParticles();
    EXPECT_EQ(p.red, 0.25f);   // floor
    EXPECT_EQ(p.green, 0.25f); // floor
    EXPECT_FLOAT_EQ(p.blue, 0.25f);
    renderParticles();
    EXPECT_EQ(p.red, 0.25f);
    EXPECT_EQ(p.blue, 0.25f); // ceiling
}
