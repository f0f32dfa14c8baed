#pragma once

// The drawing calls of webgl_renderer.js, which draw a frame of the
// immediate-mode layer with WebGL. Pointers are into the module's memory.
#include <GL/gl.h>

#include <cstdint>

extern "C" {

// The texture: `channels` 3 (RGB) or 4 (RGBA) bytes per texel, tightly packed.
void cindral_webgl_texture(const std::uint8_t* texels, int width, int height, int channels, int minFilter,
                           int magFilter, int wrapS, int wrapT);
void cindral_webgl_clear(unsigned mask, float red, float green, float blue, float alpha);
// The state of the draws that follow. `projection` holds 16 floats,
// column-major.
void cindral_webgl_view(int x, int y, int width, int height, const GLfloat* projection);
void cindral_webgl_blend(int enabled, unsigned source, unsigned destination, int texturing);
void cindral_webgl_fog(int enabled, unsigned mode, float density, float start, float end, float red,
                       float green, float blue, float alpha);
// Triangles of `count` vertices of 9 floats each: eye position, texture
// coordinates, colour.
void cindral_webgl_triangles(const GLfloat* vertices, int count);

} // extern "C"
