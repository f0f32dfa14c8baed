// Whole frames drawn by Mesa's software rasteriser (llvmpipe) in the
// off-screen context. Target: a 1920x1080 frame within the 10 ms frame budget.
#include "offscreen_context.h"
#include "scene.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <string>

namespace {

// A frame as cindral-render draws it (renderFrame, then the end of the frame
// that hands it to the rasteriser), then glFinish so that the rasterising is
// inside the time and not queued behind it.
void BM_FullFrame(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    std::string error;
    const auto context = createOffscreenContext(width, height, error);
    if (!context) {
        state.SkipWithError(error.c_str());
        return;
    }
    initScene(width, height);
    state.SetLabel(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    for (auto _ : state) {
        renderFrame();
        context->endFrame();
        glFinish();
    }
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullFrame)->Args({1920, 1080})->Args({800, 600})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
