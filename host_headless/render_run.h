#pragma once

#include "render_options.h"

// Renders as `options` ask: checks and prepares every output, makes the
// off-screen context, runs the frames and writes the outputs. Returns the
// exit status, after one line on stderr for a failure.
int runRender(const RenderOptions& options);
