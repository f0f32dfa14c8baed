#pragma once

#include <array>
#include <cstdint>

constexpr int kParticleCount = 250;
constexpr int kRainbowColourCount = 12;

// First colours of the initial burst, (red, green, blue) per row.
extern const float kRainbowColours[kRainbowColourCount][3];

struct Particle {
    std::uint8_t active = 0;
    float life = 0.0f; // also the alpha the particle is drawn with
    float fade = 0.0f; // life lost per frame
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float x = 0.0f; // position, relative to the particle pass's origin
    float y = 0.0f;
    float z = 0.0f;
    float velX = 0.0f; // position moves by velocity * 0.004 per frame
    float velY = 0.0f;
    float velZ = 0.0f;
    float accelX = 0.0f; // set, never read: only accelZ feeds the velocity
    float accelY = 0.0f;
    float accelZ = 0.0f;
};

using ParticlePool = std::array<Particle, kParticleCount>;

extern ParticlePool gParticlePool;

// Fills the pool for the opening burst: four draws per particle, index order.
void initParticles();
// Draws every particle, then moves, damps and ages it; a particle whose life
// falls below 0.05 is reborn at the flame source (seven draws each).
void renderParticles();
// Rebirth of one particle at the flame source's current position.
void respawnParticle(int index);
