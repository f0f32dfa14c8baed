// The module's entry points for the page (page.js): the scene set up once,
// resized, stepped and drawn, its pace and drawing scale, and its state as
// JSON.
#include "frame_submission.h"
#include "scene.h"
#include "scene_state.h"
#include "scene_state_json.h"
#include "web_host_state.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <string>

namespace {

void step(bool shown)
{
    gWebHost.layer.setRecording(shown);
    gWebHost.layer.startFrame();
    renderFrame();
    if (shown) {
        submitFrame(gWebHost);
    }
}

} // namespace

extern "C" {

// Sets the scene up for a drawing buffer of `width` x `height` pixels; once
// only, later calls do nothing. Returns 1 when the scene is set up.
EMSCRIPTEN_KEEPALIVE int cindral_start(int width, int height)
{
    if (!gWebHost.started && width > 0 && height > 0) {
        gWebHost.layer.setPortraitWidening(true);
        initScene(width, height);
        gWebHost.started = true;
    }
    return gWebHost.started ? 1 : 0;
}

// The drawing buffer is now `width` x `height` pixels.
EMSCRIPTEN_KEEPALIVE void cindral_resize(int width, int height)
{
    if (gWebHost.started) {
        resizeScene(width, height);
    }
}

// The view (the canvas on the page) changed size: the drawing scale keeps its
// level but soon tries larger ones again.
EMSCRIPTEN_KEEPALIVE void cindral_view_changed()
{
    gWebHost.scale.viewChanged();
}

// Runs `count` animation steps. With `drawLast` the last one is drawn, the
// others only computed: the scene makes all its GL calls either way, and the
// layer keeps no geometry for the steps that are not shown.
EMSCRIPTEN_KEEPALIVE void cindral_steps(int count, int drawLast)
{
    if (!gWebHost.started) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        step(drawLast != 0 && i == count - 1);
    }
}

// An animation frame of the page at `nowMs` on its clock: how many steps
// are due (at most kMaxStepsPerFrame), each frame counted and the drawing
// scale told of it when it has any. The page then runs them with
// cindral_steps, the last one drawn, after giving the buffer the size of
// cindral_draw_scale; with none, the frame draws nothing.
EMSCRIPTEN_KEEPALIVE int cindral_steps_due(double nowMs)
{
    if (!gWebHost.started) {
        return 0;
    }
    const std::int64_t now = std::llround(nowMs * 1000.0);
    const int due = gWebHost.pacer.stepsDue(now);
    if (due > 0) {
        gWebHost.frames.frameShown(now);
        gWebHost.steps.counted(gWebHost.pacer.frameBegan(), due);
        gWebHost.scale.frameDrawn(now);
    }
    return due;
}

// Frames drawn and steps run a second, over the last second or more; 0
// before a whole second has been measured.
EMSCRIPTEN_KEEPALIVE double cindral_frames_per_second()
{
    return gWebHost.frames.framesPerSecond();
}

EMSCRIPTEN_KEEPALIVE double cindral_steps_per_second()
{
    return gWebHost.steps.framesPerSecond();
}

// The share of the view's device pixels, per axis, to draw: 1, or less where
// the full size does not keep the display's rate (drawing_scale.h).
EMSCRIPTEN_KEEPALIVE double cindral_draw_scale()
{
    return gWebHost.scale.scale();
}

// Draws the last frame again, at the view's current size, without a step:
// for a still picture whose canvas changed size (which clears it).
EMSCRIPTEN_KEEPALIVE void cindral_redraw()
{
    if (gWebHost.started) {
        gWebHost.layer.refitFrameToView();
        submitFrame(gWebHost);
    }
}

// The scene's state after the steps so far, exactly as cindral-render --state
// writes it. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* cindral_state_json()
{
    gWebHost.stateJson.clear();
    appendSceneStateJson(gWebHost.stateJson, liveSceneState());
    return gWebHost.stateJson.c_str();
}

// The first GL call the scene made that the layer does not implement; empty
// when there was none.
EMSCRIPTEN_KEEPALIVE const char* cindral_unsupported_gl_call()
{
    return gWebHost.layer.unsupportedCall().c_str();
}

// The WebGL context was lost and made anew: it holds no texture.
EMSCRIPTEN_KEEPALIVE void cindral_context_restored()
{
    gWebHost.uploadedTexture = 0;
}

} // extern "C"
