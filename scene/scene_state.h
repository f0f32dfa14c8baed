#pragma once

#include "flame_particles.h"
#include "flame_source.h"
#include "random_source.h"
#include "star_field.h"

#include <cstdint>

// The frames the scene has drawn since the process started: renderFrame
// counts each one.
struct FrameCounter {
    std::uint64_t count = 0;
};
extern FrameCounter gFrameCounter;

// The scene's whole process-wide state, listed once: the frame count, the
// random source, the flame source, the star field and the particle pool. Whatever must see all
// of it (a reset to a fresh process's state, the state file, the fingerprint)
// goes through forEach, whose visitor needs an overload for every piece, so a
// piece added here cannot be missed by any of them.
struct SceneState {
    FrameCounter& frames;
    RandomSource& random;
    FlameSource& flameSource;
    StarField& stars;
    ParticlePool& particles;

    // Calls visit(piece) for each piece, in the order of the members.
    template <typename Visit>
    void forEach(Visit&& visit) const
    {
        visit(frames);
        visit(random);
        visit(flameSource);
        visit(stars);
        visit(particles);
    }
};

// The process's own scene state.
SceneState liveSceneState();
