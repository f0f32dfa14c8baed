#pragma once

#include "drawing_scale.h"
#include "frame_pacing.h"
#include "immediate_mode.h"

#include <cstdint>
#include <string>

// The page's clock, requestAnimationFrame's milliseconds, in whole
// microseconds.
constexpr std::int64_t kWebTicksPerSecond = 1'000'000;

// Everything the web host keeps, in one place.
struct WebHostState {
    // The GL the scene draws with: the GL and GLU functions that the scene
    // calls, defined in gl_entry_points.cpp, all act on it.
    ImmediateMode layer;
    bool started = false; // initScene has run
    FramePacer pacer{kWebTicksPerSecond};
    FrameRateMeter frames{kWebTicksPerSecond}; // frames that drew
    FrameRateMeter steps{kWebTicksPerSecond};
    DrawingScale scale{kWebTicksPerSecond};
    // The version of the layer's texture that the WebGL context holds; 0 is
    // none, as after the context was lost and made anew.
    std::uint32_t uploadedTexture = 0;
    std::string stateJson; // the text cindral_state_json last gave the page
};

extern WebHostState gWebHost;
