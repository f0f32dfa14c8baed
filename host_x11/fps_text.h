#pragma once

#include <cstddef>

// The text of the -fps overlay and the tiny font it is drawn in.

// Writes the rate as "99.8 fps" (one decimal, at most 9999.9) into `text`.
void formatFps(double framesPerSecond, char* text, std::size_t size);

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// The glyph of `c`: kGlyphHeight rows from top to bottom, each the
// kGlyphWidth low bits of a byte with the leftmost pixel in bit 4. Null for a
// character the font lacks; the font holds the digits, '.', ' ', 'f', 'p' and
// 's'.
const unsigned char* glyphFor(char c);
