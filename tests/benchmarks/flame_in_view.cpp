// How often the flame is out of the web page's view: the share of steps in
// which the flame's source, the point its particles are reborn at, lies
// outside the view, for a phone held upright with GLU's projection and with
// the page's (ImmediateMode::setPortraitWidening), beside landscape views.
// The scene runs through the page's own layer, recording nothing. A figure
// printer for docs/performance.md, not a test.
//
//   flame_in_view [STEPS]     2,000,000 by default
#include "flame_source.h"
#include "scene.h"
#include "web_host_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// How far in front of the eye the particle pass draws (flame_particles.cpp).
constexpr float kPassDistance = 15.0f;

struct View {
    const char* what;
    int width;
    int height;
    bool portraitWidening;
    GLfloat projection[16];
    long long out;
};

bool inView(const GLfloat* p, float x, float y, float z)
{
    // Column-major: clip = P (x, y, z, 1); seen where |x|, |y| <= w.
    const float cx = p[0] * x + p[4] * y + p[8] * z + p[12];
    const float cy = p[1] * x + p[5] * y + p[9] * z + p[13];
    const float w = p[3] * x + p[7] * y + p[11] * z + p[15];
    return w > 0.0f && std::fabs(cx) <= w && std::fabs(cy) <= w;
}

} // namespace

int main(int argc, char** argv)
{
    const long long steps = argc > 1 ? std::atoll(argv[1]) : 2'000'000;
    View views[] = {
        {"390x844, GLU's projection", 390, 844, false, {}, 0},
        {"390x844, the page's", 390, 844, true, {}, 0},
        {"844x390", 844, 390, true, {}, 0},
        {"1280x800", 1280, 800, true, {}, 0},
    };
    gWebHost.layer.setRecording(false);
    initScene(views[0].width, views[0].height);
    for (View& v : views) {
        gWebHost.layer.setPortraitWidening(v.portraitWidening);
        resizeScene(v.width, v.height);
        std::copy(gWebHost.layer.projection(), gWebHost.layer.projection() + 16, v.projection);
    }
    for (long long k = 0; k < steps; ++k) {
        renderFrame();
        for (View& v : views) {
            v.out += inView(v.projection, gFlameSource.x, gFlameSource.y, gFlameSource.z - kPassDistance) ? 0 : 1;
        }
    }
    std::printf("| View | Steps with the flame's source out of view, of %lld |\n|---|---:|\n", steps);
    for (const View& v : views) {
        std::printf("| %s | %.1f %% |\n", v.what, 100.0 * static_cast<double>(v.out) / static_cast<double>(steps));
    }
    return 0;
}
