#pragma once

#include "flame_particles.h"
#include "flame_source.h"
#include "random_source.h"
#include "star_field.h"

// The scene's state is process-wide and a real run never resets it; each test
// that runs the scene starts from the state of a fresh process.
inline void resetSceneToProcessStart()
{
    gRandomSource = RandomSource{};
    gFlameSource = FlameSource{};
    gStarField = StarField{};
    gParticlePool = ParticlePool{};
}
