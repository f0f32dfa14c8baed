// The scene's step on its own, with GL entry points that do nothing
// (tests/benchmarks/empty_gl.cpp): the best of five runs of 2,000 frames,
// after 1,000 to settle, in microseconds per frame. Built by x87_step.sh with
// each processor's arithmetic, as plainly as possible, so that it also runs
// as a static 32-bit program under an emulator.
#include "scene.h"

#include <chrono>
#include <cstdio>

int main()
{
    initScene(1920, 1080);
    for (int f = 0; f < 1000; ++f) {
        renderFrame();
    }
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int f = 0; f < 2000; ++f) {
            renderFrame();
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        if (took.count() / 2000 < best) {
            best = took.count() / 2000;
        }
    }
    std::printf("%.2f\n", best);
    return 0;
}
