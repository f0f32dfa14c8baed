#pragma once

// Draws "NN.N fps" in white near the bottom-left corner of a surface of the
// given size, into the current GL context's back buffer. Every piece of GL
// state it changes is restored, so the scene's set-up stays as initScene left
// it.
void drawFpsOverlay(double framesPerSecond, int width, int height);
