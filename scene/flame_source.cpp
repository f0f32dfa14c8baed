#include "flame_source.h"

#include "random_source.h"

FlameSource gFlameSource;

namespace {

// Each assignment is evaluated in double precision and rounded once when
// stored. The first three constants are single-precision values widened to
// double; the last three are double-precision values.
constexpr double kSpring = 0.01f;
constexpr double kDriftToVelocity = 0.2f;
constexpr double kVelocityToPosition = 0.05f;
constexpr double kKick = 0.5;
constexpr double kVelocityDamping = 0.995;
constexpr double kDriftDecay = 0.98;

// One kick value in 500 for each of the six directions.
void applyKick(FlameSource& s, unsigned k)
{
    switch (k) {
    case 1: s.driftX = static_cast<float>(s.driftX + kKick); break;
    case 2: s.driftX = static_cast<float>(s.driftX - kKick); break;
    case 3: s.driftY = static_cast<float>(s.driftY + kKick); break;
    case 4: s.driftY = static_cast<float>(s.driftY - kKick); break;
    case 5: s.driftZ = static_cast<float>(s.driftZ + kKick); break;
    case 6: s.driftZ = static_cast<float>(s.driftZ - kKick); break;
    default: break;
    }
}

} // namespace

void stepFlameSource()
{
    FlameSource& s = gFlameSource;

    s.velX = static_cast<float>(-static_cast<double>(s.x) * kSpring + s.velX);
    s.velY = static_cast<float>(-static_cast<double>(s.y) * kSpring + s.velY);
    s.velZ = static_cast<float>(-static_cast<double>(s.z) * kSpring + s.velZ);

    applyKick(s, gRandomSource.draw() % 500);

    s.velX = static_cast<float>((s.driftX * kDriftToVelocity + s.velX) * kVelocityDamping);
    s.velY = static_cast<float>((s.driftY * kDriftToVelocity + s.velY) * kVelocityDamping);
    s.velZ = static_cast<float>((s.driftZ * kDriftToVelocity + s.velZ) * kVelocityDamping);

    s.driftX = static_cast<float>(s.driftX * kDriftDecay);
    s.driftY = static_cast<float>(s.driftY * kDriftDecay);
    s.driftZ = static_cast<float>(s.driftZ * kDriftDecay);

    s.x = static_cast<float>(s.velX * kVelocityToPosition + s.x);
    s.y = static_cast<float>(s.velY * kVelocityToPosition + s.y);
    s.z = static_cast<float>(s.velZ * kVelocityToPosition + s.z);
}
