#include "scene.h"

#include "double_precision.h"
#include "flame_particles.h"
#include "flame_source.h"
#include "gl_api.h"
#include "scene_state.h"
#include "sprite_texture.h"
#include "star_field.h"

namespace {

constexpr GLint kFogModes[3] = {GL_EXP, GL_EXP2, GL_LINEAR};
constexpr int kFogModeIndex = 2;
constexpr GLfloat kFogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};

constexpr double kFieldOfViewDegrees = 45.0;
constexpr double kNearPlane = 1.0;
constexpr double kFarPlane = 20000.0;
// Linear fog only; the density is set all the same so the state reads back
// the same on every run.
constexpr GLfloat kFogDensity = 0.594f;
constexpr GLfloat kFogStart = 0.0f;
constexpr GLfloat kFogEnd = 250.0f;

// The perspective of the whole view, onto the projection matrix: the aspect is
// the floating-point quotient of the two pixel counts.
void applyPerspective(int width, int height)
{
    gluPerspective(kFieldOfViewDegrees, static_cast<double>(width) / static_cast<double>(height),
                   kNearPlane, kFarPlane);
}

} // namespace

void initScene(int width, int height)
{
    const DoublePrecisionScope doublePrecision;
    buildSpriteTexture();

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    applyPerspective(width, height);
    // Stays the matrix mode for the rest of the run; each pass loads its own
    // modelview.
    glMatrixMode(GL_MODELVIEW);

    glFogi(GL_FOG_MODE, kFogModes[kFogModeIndex]);
    glFogfv(GL_FOG_COLOR, kFogColour);
    glFogf(GL_FOG_DENSITY, kFogDensity);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, kFogStart);
    glFogf(GL_FOG_END, kFogEnd);
    glEnable(GL_FOG);

    initStars();
    initParticles();
}

void resizeScene(int width, int height)
{
    // A surface that has no area for the moment (a hidden or collapsed
    // window) keeps the last view rather than a perspective with no aspect.
    if (width <= 0 || height <= 0) {
        return;
    }
    const DoublePrecisionScope doublePrecision;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    applyPerspective(width, height);
    glMatrixMode(GL_MODELVIEW);
}

void renderFrame()
{
    const DoublePrecisionScope doublePrecision;
    // The depth buffer is cleared but never tested: every sprite adds.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    stepFlameSource();
    renderStars();
    renderParticles();
    ++gFrameCounter.count;
}

FrameCounter gFrameCounter;
