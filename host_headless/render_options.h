#pragma once

#include "command_options.h"

#include <cstdint>
#include <string>

// Largest width or height cindral-render accepts, in pixels: far beyond any
// screen, and small enough that the RGBA readback (4 bytes a pixel) of a
// square of it still fits in memory.
constexpr int kMaxRenderSide = 16384;

struct RenderOptions {
    int width = 800;
    int height = 600;
    std::uint64_t frames = 100;
    std::string pngPath;   // empty: no PNG of the last frame
    std::string statePath; // empty: no state file
    std::uint64_t every = 0; // 0: no frame series; otherwise every K-th frame into outDir
    std::string outDir;
    bool noOutput = false; // --no-output: render only, to time a run
};

// Reads cindral-render's command line (argv[0] is the program and is
// skipped) into `options` with the reader of command_options.h; on Invalid,
// `error` names the problem in one line. Checks the form of every value and
// how options combine, including that there is something to write unless
// --no-output is given; whether paths can be written is left to
// RenderOutputs.
ReadOutcome readRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

// The text --help prints.
extern const char kRenderUsage[];
