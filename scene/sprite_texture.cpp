#include "sprite_texture.h"

#include "gl_api.h"
#include "planar_distance.h"

#include <memory>
#include <new>

void fillSpriteImage(unsigned char* rgba)
{
    unsigned char* texel = rgba;
    for (int i = 0; i < kSpriteTextureSize; ++i) {
        for (int j = 0; j < kSpriteTextureSize; ++j) {
            // Truncation to a whole distance is deliberate: the brightness steps
            // once per texel of distance.
            const int d = static_cast<int>(planarDistance(static_cast<double>(i - kSpriteCentre),
                                                          static_cast<double>(j - kSpriteCentre)));
            double v = 255.0 - 1.8 * d;
            if (v < 0.0) {
                v = 0.0;
            }
            const auto brightness = static_cast<unsigned char>(v);
            texel[0] = brightness;
            texel[1] = brightness;
            texel[2] = brightness;
            texel[3] = brightness;
            texel += 4;
        }
    }
}

void buildSpriteTexture()
{
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kSpriteImageBytes]);
    if (!buffer) {
        return;
    }
    fillSpriteImage(buffer.get());

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // Internal format 3: the alpha bytes are dropped, so sampled alpha is 1 and
    // a sprite's alpha is its vertex alpha alone.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, kSpriteTextureSize, kSpriteTextureSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, buffer.get());
}
