// The scene's own cost, with every GL and GLU call going to a null sink
// instead of a driver: gl_recorder with recording off, or, built as
// scene_benchmarks_empty_gl, entry points that do nothing at all. Targets: one
// frame's simulation under 20 us, the sprite texture under 5 ms.
#include "scene.h"
#include "sprite_texture.h"

#include <benchmark/benchmark.h>

#include <vector>

#ifdef CINDRAL_GL_RECORDER_SINK
#include "gl_recorder.h"
#endif

namespace {

void nullSink()
{
#ifdef CINDRAL_GL_RECORDER_SINK
    glRecorder().recording = false;
    glRecorder().clear();
#endif
}

// One renderFrame: flame source step, 500 stars, 250 particles with their
// rebirths. The run goes on across iterations, as on screen.
void BM_SimulationStep(benchmark::State& state)
{
    nullSink();
    initScene(1920, 1080);
    for (auto _ : state) {
        renderFrame();
    }
}
BENCHMARK(BM_SimulationStep);

// initScene's texture: the image, its scratch buffer and the (null) upload.
void BM_BuildSpriteTexture(benchmark::State& state)
{
    nullSink();
    for (auto _ : state) {
        buildSpriteTexture();
    }
}
BENCHMARK(BM_BuildSpriteTexture)->Unit(benchmark::kMillisecond);

// The image alone: 65,536 distances and brightness bytes.
void BM_FillSpriteImage(benchmark::State& state)
{
    std::vector<unsigned char> image(kSpriteImageBytes);
    for (auto _ : state) {
        fillSpriteImage(image.data());
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillSpriteImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
