#pragma once

constexpr int kStarCount = 500;
// Depth span of the field: a star whose depth reaches 0 moves back by this much.
constexpr float kStarDepth = 250.0f;
constexpr float kStarHalfSize = 0.25f;

// Stars in eye coordinates. x and y are fixed whole numbers in -100..99; z is a
// whole number that grows by one per frame and wraps back by kStarDepth.
struct StarField {
    float starX[kStarCount] = {};
    float starY[kStarCount] = {};
    float starZ[kStarCount] = {};
};

extern StarField gStarField;

// Places every star: three draws per star, star 0 first.
void initStars();
// Advances every star one unit towards the eye and draws those that do not
// wrap this frame, as white sprites. Makes no random draws.
void renderStars();
