#pragma once

#include "scene_state.h"

#include <type_traits>

// The scene's state is process-wide and a real run never resets it; each test
// that runs the scene starts from the state of a fresh process.
inline void resetSceneToProcessStart()
{
    liveSceneState().forEach([](auto& piece) { piece = std::remove_reference_t<decltype(piece)>{}; });
}
