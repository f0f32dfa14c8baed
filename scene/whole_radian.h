#pragma once

// Sine and cosine of a whole number of radians, 0 to 359. The scene's random
// directions are whole-radian angles (not degrees); the values come from a table
// of correctly rounded doubles, so every build and C runtime agrees to the bit.
double wholeRadianSine(int radians);
double wholeRadianCosine(int radians);
