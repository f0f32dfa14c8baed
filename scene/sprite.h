#pragma once

// Draws one square sprite of half-side h centred on (x, y, z) as its own
// four-vertex triangle strip, parallel to the view plane. Corner coordinates
// are formed in double precision and rounded to float when passed to GL.
void drawSprite(float x, float y, float z, float halfSide);
