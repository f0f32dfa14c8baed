#pragma once

#include "web_host_state.h"

// Draws the layer's frame through webgl_renderer.js, uploading the texture
// first when it changed since the last upload.
void submitFrame(WebHostState& host);
