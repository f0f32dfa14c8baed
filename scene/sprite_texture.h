#pragma once

#include <cstddef>

constexpr int kSpriteTextureSize = 256;
// Texel (kSpriteCentre, kSpriteCentre) is the brightest; it sits half a texel off
// the image's geometric centre, so the image is not quite symmetric.
constexpr int kSpriteCentre = 128;
constexpr std::size_t kSpriteImageBytes =
    static_cast<std::size_t>(kSpriteTextureSize) * kSpriteTextureSize * 4;

// Fills `rgba` (kSpriteImageBytes) with the sprite image: rows of texels, row 0
// first, four equal bytes per texel holding a brightness that falls off by 1.8
// per whole texel of distance from the centre.
void fillSpriteImage(unsigned char* rgba);

// Builds the image in a scratch buffer and uploads it, with linear filtering,
// to the texture bound to GL_TEXTURE_2D. Without memory for the buffer it makes
// no GL call at all and the sprites stay untextured.
void buildSpriteTexture();
