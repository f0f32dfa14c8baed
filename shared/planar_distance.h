#pragma once

// Length of the vector (a, b), scaled by the larger magnitude so that no
// intermediate square can overflow. Every step is in double precision; for some
// Pythagorean pairs the result lies a hair below the whole hypotenuse
// (planarDistance(120, 27) is 122.99999999999999), and callers that truncate
// rely on exactly that value.
double planarDistance(double a, double b);
