// Prints a fingerprint of the whole scene state after N frames. Built for
// Linux and for Windows, it shows that every build computes the same
// animation to the bit. No GL context is made: without one the GL calls do
// nothing, and the simulation runs exactly as it does on screen.
#include "double_precision.h"
#include "scene.h"
#include "scene_state.h"

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
#ifdef CINDRAL_X87_ARITHMETIC
    // On x87 arithmetic the run starts at single precision, as some GL
    // drivers leave the unit, so that only the scene's own precision control
    // can give the fingerprint; and the caller's setting must still be there
    // after it.
    const unsigned short single = static_cast<unsigned short>(x87ControlWord() & ~kX87PrecisionBits);
    setX87ControlWord(single);
#endif
    initScene(800, 600);
    for (long f = 0; f < frames; ++f) {
        renderFrame();
    }
#ifdef CINDRAL_X87_ARITHMETIC
    if (x87ControlWord() != single) {
        std::printf("the scene left the x87 control word at %#x, not the caller's %#x\n", x87ControlWord(), single);
        return 1;
    }
#endif

    // Each piece of the state is taken from the scene's list; they are
    // hashed in the order the fingerprint has always used.
    struct Pieces {
        const FrameCounter* frames;
        const RandomSource* random;
        const FlameSource* flameSource;
        const StarField* stars;
        const ParticlePool* particles;
        void operator()(const FrameCounter& f) { frames = &f; }
        void operator()(const RandomSource& r) { random = &r; }
        void operator()(const FlameSource& f) { flameSource = &f; }
        void operator()(const StarField& s) { stars = &s; }
        void operator()(const ParticlePool& p) { particles = &p; }
    } pieces{};
    liveSceneState().forEach(pieces);

    Fnv1a h;
    h.bytes(pieces.stars, sizeof *pieces.stars);
    const FlameSource& s = *pieces.flameSource;
    for (float v : {s.x, s.y, s.z, s.velX, s.velY, s.velZ, s.driftX, s.driftY, s.driftZ}) {
        h.value(v);
    }
    for (const Particle& p : *pieces.particles) {
        h.bytes(&p.active, 1);
        for (float v : {p.life, p.fade, p.red, p.green, p.blue, p.x, p.y, p.z, p.velX, p.velY, p.velZ,
                        p.accelX, p.accelY, p.accelZ}) {
            h.value(v);
        }
    }
    std::printf("frames %" PRIu64 " draws %" PRIu64 " state %" PRIu32 " digest %016" PRIx64 "\n",
                pieces.frames->count, pieces.random->draws(), pieces.random->state(), h.hash);
    return 0;
}
