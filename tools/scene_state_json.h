#pragma once

#include "flame_particles.h"
#include "flame_source.h"
#include "random_source.h"
#include "star_field.h"

#include <cstdint>
#include <cstdio>
#include <string>

// The whole animation state at one moment, by reference.
struct SceneStateView {
    std::uint64_t frames; // renderFrame calls made so far
    const RandomSource& random;
    const FlameSource& flameSource;
    const StarField& stars;
    const ParticlePool& particles;
};

// The process's live scene state after `frames` frames.
SceneStateView liveSceneState(std::uint64_t frames);

// The state as one JSON object with the keys frames, draws, randomState,
// flameSource, stars ([x, y, z] per star) and particles (one object per
// particle, fields by name, active as an integer). Floats are written with
// nine significant digits (%.9g), which read back to the same float; negative
// zero is written "-0.0" so that it stays a negative float. Appends to `out`.
void appendSceneStateJson(std::string& out, const SceneStateView& state);

// Writes the same text to `file`; false when the write fails.
bool writeSceneStateJson(std::FILE* file, const SceneStateView& state);
