#include "star_field.h"

#include "gl_api.h"
#include "random_source.h"
#include "sprite.h"

StarField gStarField;

void initStars()
{
    for (int k = 0; k < kStarCount; ++k) {
        gStarField.starX[k] = static_cast<float>(static_cast<int>(gRandomSource.draw() % 200) - 100);
        gStarField.starY[k] = static_cast<float>(static_cast<int>(gRandomSource.draw() % 200) - 100);
        gStarField.starZ[k] = static_cast<float>(static_cast<int>(gRandomSource.draw() % 500) - 250);
    }
}

void renderStars()
{
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int k = 0; k < kStarCount; ++k) {
        const float z = gStarField.starZ[k] + 1.0f;
        gStarField.starZ[k] = z;
        if (z >= 0.0f) {
            // Subtracting the span (rather than resetting) keeps a star placed at
            // 249 wrapping twice: to 0, then to -249.
            gStarField.starZ[k] = z - kStarDepth;
            continue;
        }
        drawSprite(gStarField.starX[k], gStarField.starY[k], z, kStarHalfSize);
    }
}
