#include "flame_particles.h"

#include "flame_source.h"
#include "gl_api.h"
#include "random_source.h"
#include "sprite.h"
#include "whole_radian.h"

ParticlePool gParticlePool;

const float kRainbowColours[kRainbowColourCount][3] = {
    {1.0f, 0.5f, 0.5f},  {1.0f, 0.75f, 0.5f}, {1.0f, 1.0f, 0.5f},  {0.75f, 1.0f, 0.5f},
    {0.5f, 1.0f, 0.5f},  {0.5f, 1.0f, 0.75f}, {0.5f, 1.0f, 1.0f},  {0.5f, 0.75f, 1.0f},
    {0.5f, 0.5f, 1.0f},  {0.75f, 0.5f, 1.0f}, {1.0f, 0.5f, 1.0f},  {1.0f, 0.5f, 0.75f},
};

namespace {

// Each assignment is evaluated in double precision and rounded once when
// stored. Constants declared float here are single-precision values widened
// to double in the arithmetic; those declared double are double values.
constexpr float kInitialLife = 1.0f;
constexpr float kInitialFadeStep = 0.001f;
constexpr float kInitialFadeBase = 0.003f;
constexpr float kAccelZ = 0.5f;
constexpr float kLifeThreshold = 0.5f;
constexpr float kPassDepth = -15.0f;
constexpr float kParticleHalfSize = 0.2f;
constexpr double kVelocityToPosition = 0.004f;
constexpr double kDamping = 0.975;
constexpr float kRebirthThreshold = 0.05f;
constexpr double kRebirthFadeStep = 1.0f / 7500.0f;
constexpr double kRebirthFadeBase = 0.0075f;
constexpr double kRebirthSpeedOffset = 1.0f;
constexpr double kRebirthGreen = 0.3;
constexpr double kRedAgeing = 0.002;
constexpr double kGreenAgeing = 0.0001;
constexpr double kBlueAgeing = 0.0003;
constexpr double kColourLimit = 0.25;

// Row of the rainbow table for particle i. The row rule (i + 1) / 20 runs one
// row past the table for the last eleven particles; they wrap round to row 0,
// continuing the rainbow, which is cyclic (row 11 leads back to row 0).
int rainbowRow(int index)
{
    return ((index + 1) / 20) % kRainbowColourCount;
}

void ageColour(Particle& p)
{
    p.red = static_cast<float>(p.red - kRedAgeing);
    p.green = static_cast<float>(p.green - kGreenAgeing);
    p.blue = static_cast<float>(p.blue + kBlueAgeing);
    if (p.red < kColourLimit) {
        p.red = static_cast<float>(kColourLimit);
    }
    if (p.green < kColourLimit) {
        p.green = static_cast<float>(kColourLimit);
    }
    if (p.blue > kColourLimit) {
        p.blue = static_cast<float>(kColourLimit);
    }
}

} // namespace

void initParticles()
{
    for (int i = 0; i < kParticleCount; ++i) {
        Particle& p = gParticlePool[i];
        p.active = 1;
        p.life = kInitialLife;
        p.fade = static_cast<float>((gRandomSource.draw() % 100) * static_cast<double>(kInitialFadeStep) +
                                    kInitialFadeBase);
        const float* colour = kRainbowColours[rainbowRow(i)];
        p.red = colour[0];
        p.green = colour[1];
        p.blue = colour[2];
        const double speed = gRandomSource.draw() % 250;
        const int a = static_cast<int>(gRandomSource.draw() % 360);
        const int b = static_cast<int>(gRandomSource.draw() % 360);
        p.velX = static_cast<float>(wholeRadianSine(a) * speed);
        p.velY = static_cast<float>(wholeRadianCosine(a) * speed);
        p.velZ = static_cast<float>(wholeRadianSine(b) * speed);
        p.accelX = 0.0f;
        p.accelY = 0.0f;
        p.accelZ = kAccelZ;
        p.x = 0.0f;
        p.y = 0.0f;
        p.z = 0.0f;
    }
}

void respawnParticle(int index)
{
    Particle& p = gParticlePool[index];
    p.life = kInitialLife;
    p.fade = static_cast<float>((gRandomSource.draw() % 100) * kRebirthFadeStep + kRebirthFadeBase);
    p.x = gFlameSource.x;
    p.y = gFlameSource.y;
    p.z = gFlameSource.z;
    const double speed = (gRandomSource.draw() % 9) + kRebirthSpeedOffset;
    const int a = static_cast<int>(gRandomSource.draw() % 360);
    p.velX = static_cast<float>(wholeRadianSine(a) * speed);
    p.velY = static_cast<float>(wholeRadianCosine(a) * speed);
    p.velZ = (gRandomSource.draw() % 10 == 0) ? -1.0f : 0.0f;
    // Three more draws that no field uses: they keep the generator's sequence
    // in step with the animation as it has always run.
    gRandomSource.draw();
    gRandomSource.draw();
    gRandomSource.draw();
    p.red = 1.0f;
    p.green = static_cast<float>(kRebirthGreen);
    p.blue = 0.0f;
}

void renderParticles()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, kPassDepth);
    for (int i = 0; i < kParticleCount; ++i) {
        Particle& p = gParticlePool[i];
        if (p.active == 0) {
            continue;
        }
        glColor4f(p.red, p.green, p.blue, p.life);
        drawSprite(p.x, p.y, p.z, kParticleHalfSize);

        p.x = static_cast<float>(p.x + p.velX * kVelocityToPosition);
        p.y = static_cast<float>(p.y + p.velY * kVelocityToPosition);
        p.z = static_cast<float>(p.z + p.velZ * kVelocityToPosition);

        p.velX = static_cast<float>(p.velX * kDamping);
        p.velY = static_cast<float>(p.velY * kDamping);
        p.velZ = static_cast<float>(p.velZ * kDamping + p.accelZ);

        // Below half life the decay speeds up; L is compared before rounding.
        const double remaining = static_cast<double>(p.life) - p.fade;
        if (remaining < kLifeThreshold) {
            p.life = static_cast<float>(remaining * kDamping);
        } else {
            p.life = static_cast<float>(remaining);
        }

        if (p.life < kRebirthThreshold) {
            respawnParticle(i);
        }
        ageColour(p);
    }
}
