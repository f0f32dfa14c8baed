#pragma once

// The scene's two entry points. Both need a current OpenGL context on the
// calling thread.

// The animation has no time unit: each renderFrame is one step, and its speed
// is set by drawing at most this many frames a second. Every host paces its
// frames to this, in its own clock's unit.
constexpr int kMaxFramesPerSecond = 100;

// Sets the fixed GL state of the run (sprite texture, viewport, projection,
// additive blending, linear black fog) and fills the star field and the
// particle pool. Call once, with the drawing surface's positive size in pixels.
void initScene(int width, int height);

// Gives the view a new drawing size: viewport and projection as initScene sets
// them, for `width` x `height` pixels. Nothing of the animation changes. For
// hosts whose surface can change size after initScene; a size without area
// is ignored.
void resizeScene(int width, int height);

// Draws one frame into the back buffer and advances the animation one step;
// the caller presents it.
void renderFrame();
