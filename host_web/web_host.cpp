// The module's entry points for the page (page.js): the scene set up once,
// resized, stepped and drawn, and its state as JSON.
#include "frame_pacing.h"
#include "frame_submission.h"
#include "gl_entry_points.h"
#include "scene.h"
#include "scene_state.h"
#include "scene_state_json.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace {

bool gStarted = false;
// The page's clock, requestAnimationFrame's milliseconds, in whole
// microseconds.
constexpr std::int64_t kTicksPerSecond = 1'000'000;
FramePacer gPacer(kTicksPerSecond);

void step(bool shown)
{
    gImmediateMode.setRecording(shown);
    gImmediateMode.startFrame();
    renderFrame();
    if (shown) {
        submitFrame(gImmediateMode);
    }
}

} // namespace

extern "C" {

// Sets the scene up for a drawing buffer of `width` x `height` pixels; once
// only, later calls do nothing. Returns 1 when the scene is set up.
EMSCRIPTEN_KEEPALIVE int cindral_start(int width, int height)
{
    if (!gStarted && width > 0 && height > 0) {
        initScene(width, height);
        gStarted = true;
    }
    return gStarted ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void cindral_resize(int width, int height)
{
    if (gStarted) {
        resizeScene(width, height);
    }
}

// Runs `count` animation steps. With `drawLast` the last one is drawn, the
// others only computed: the scene makes all its GL calls either way, and the
// layer keeps no geometry for the steps that are not shown.
EMSCRIPTEN_KEEPALIVE void cindral_steps(int count, int drawLast)
{
    if (!gStarted) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        step(drawLast != 0 && i == count - 1);
    }
}

// One frame of the page at `nowMs` on its clock: one step, drawn, unless
// the frame before began less than 10 ms ago. Returns 1 when it drew.
EMSCRIPTEN_KEEPALIVE int cindral_frame(double nowMs)
{
    if (!gStarted || !gPacer.beginFrame(std::llround(nowMs * 1000.0))) {
        return 0;
    }
    step(true);
    return 1;
}

// Draws the last frame again, at the view's current size, without a step:
// for a still picture whose canvas changed size (which clears it).
EMSCRIPTEN_KEEPALIVE void cindral_redraw()
{
    if (gStarted) {
        gImmediateMode.refitFrameToView();
        submitFrame(gImmediateMode);
    }
}

// The scene's state after the steps so far, exactly as cindral-render --state
// writes it. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* cindral_state_json()
{
    static std::string text;
    text.clear();
    appendSceneStateJson(text, liveSceneState());
    return text.c_str();
}

// The first GL call the scene made that the layer does not implement; empty
// when there was none.
EMSCRIPTEN_KEEPALIVE const char* cindral_unsupported_gl_call()
{
    return gImmediateMode.unsupportedCall().c_str();
}

EMSCRIPTEN_KEEPALIVE void cindral_context_restored()
{
    forgetUploadedTexture();
}

} // extern "C"
