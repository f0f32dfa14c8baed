#pragma once

#include <cstdio>
#include <string>

// Writes an image of `width` x `height` RGBA pixels, top row first, to `file`
// as an 8-bit RGB PNG. Alpha is dropped: the screen shows only colour, and the
// frame's alpha (0 where nothing was drawn) would make the background
// transparent. On failure returns false with a one-line reason in `error`.
bool writeRgbPng(std::FILE* file, const unsigned char* rgba, int width, int height, std::string& error);
