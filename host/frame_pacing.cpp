#include "frame_pacing.h"

bool counterFrameOver(std::int64_t frameStart, std::int64_t now, std::int64_t frequency)
{
    return static_cast<double>(now - frameStart) / static_cast<double>(frequency) >= kMinFrameSeconds;
}

bool tickFrameOver(std::uint32_t frameStart, std::uint32_t now)
{
    return now - frameStart >= kMinFrameMilliseconds;
}
