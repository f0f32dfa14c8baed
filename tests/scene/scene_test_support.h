#pragma once

#include "flame_particles.h"
#include "flame_source.h"
#include "gl_recorder.h"
#include "random_source.h"
#include "star_field.h"

#include <gtest/gtest.h>

// The scene keeps process-wide state that a real run never resets; each test
// starts from the state of a fresh process.
inline void resetSceneState()
{
    gRandomSource = RandomSource{};
    gFlameSource = FlameSource{};
    gStarField = StarField{};
    gParticlePool = ParticlePool{};
    glRecorder().clear();
    glRecorder().recording = false;
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override { resetSceneState(); }
};
