#pragma once

#include "scene_state.h"

#include <cstdio>
#include <string>

// The scene's state as one JSON object with the keys frames,
// draws, randomState, flameSource, stars ([x, y, z] per star) and particles
// (one object per particle, fields by name, active as an integer). Floats are written with
// nine significant digits (%.9g), which read back to the same float; negative
// zero is written "-0.0" so that it stays a negative float. Appends to `out`.
void appendSceneStateJson(std::string& out, const SceneState& state);

// Writes the same text to `file`; false when the write fails.
bool writeSceneStateJson(std::FILE* file, const SceneState& state);
