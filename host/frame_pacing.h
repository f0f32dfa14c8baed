#pragma once

#include "scene.h"

#include <cstdint>

// The shortest time one frame may take: drawing, presenting and waiting
// together; 0.01 s, the same double as the literal.
constexpr double kMinFrameSeconds = 1.0 / kMaxFramesPerSecond;

// The same in milliseconds, for systems without a high-resolution counter,
// where the frame loop paces itself on the tick count instead.
constexpr std::uint32_t kMinFrameMilliseconds = 1000 / kMaxFramesPerSecond;

// True once `now` is at least kMinFrameSeconds after `frameStart`, both
// performance-counter readings, `frequency` counts a second (positive).
bool counterFrameOver(std::int64_t frameStart, std::int64_t now, std::int64_t frequency);

// True once `now` is at least kMinFrameMilliseconds after `frameStart`, both
// tick counts in milliseconds; correct across the count's wrap past 2^32.
bool tickFrameOver(std::uint32_t frameStart, std::uint32_t now);
