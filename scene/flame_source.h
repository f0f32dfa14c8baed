#pragma once

// The invisible point at which flame particles are reborn: a point mass on a
// spring towards the origin, damped, and pushed by a decaying drift that rare
// random kicks change. Coordinates are those of the particle pass.
struct FlameSource {
    float x = 4.0f;
    float y = 0.0f;
    float z = 0.0f;
    float velX = 0.0f;
    float velY = 2.0f;
    float velZ = 0.0f;
    float driftX = 0.0f;
    float driftY = 0.0f;
    float driftZ = 0.0f;
};

extern FlameSource gFlameSource;

// One frame's step of the source; takes exactly one random draw.
void stepFlameSource();
