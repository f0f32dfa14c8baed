// Prints a fingerprint of the whole scene state after N frames. Built for
// Linux and for Windows, it shows that every build computes the same
// animation to the bit. No GL context is made: without one the GL calls do
// nothing, and the simulation runs exactly as it does on screen.
#include "flame_particles.h"
#include "flame_source.h"
#include "random_source.h"
#include "scene.h"
#include "star_field.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Fnv1a {
    std::uint64_t hash = 14695981039346656037ull;

    void bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ p[i]) * 1099511628211ull;
        }
    }
    void value(float f) { bytes(&f, sizeof f); }
};

} // namespace

int main(int argc, char** argv)
{
    const long frames = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    initScene(800, 600);
    for (long f = 0; f < frames; ++f) {
        renderFrame();
    }

    Fnv1a h;
    h.bytes(&gStarField, sizeof gStarField);
    const FlameSource& s = gFlameSource;
    for (float v : {s.x, s.y, s.z, s.velX, s.velY, s.velZ, s.driftX, s.driftY, s.driftZ}) {
        h.value(v);
    }
    for (const Particle& p : gParticlePool) {
        h.bytes(&p.active, 1);
        for (float v : {p.life, p.fade, p.red, p.green, p.blue, p.x, p.y, p.z, p.velX, p.velY, p.velZ,
                        p.accelX, p.accelY, p.accelZ}) {
            h.value(v);
        }
    }
    std::printf("frames %ld draws %" PRIu64 " state %" PRIu32 " digest %016" PRIx64 "\n", frames,
                gRandomSource.draws(), gRandomSource.state(), h.hash);
    return 0;
}
