#pragma once

#include "immediate_mode.h"

// Draws the layer's frame through webgl_renderer.js, uploading the texture
// first when it changed since the last upload.
void submitFrame(const ImmediateMode& layer);

// The WebGL context was lost and made anew: its texture has to be uploaded
// again.
void forgetUploadedTexture();
