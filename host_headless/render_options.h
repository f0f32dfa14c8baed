#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    bool help = false;
    bool version = false;
};


// Reads cindral-render's arguments (without the program name) into `options`;
// false, with one line naming the problem in `error`, when they are not
// sound. Options take their value as the next argument or after '='
// (--size=320x240). Checks the form of every value and how options combine,
// including that there is something to write unless --no-output is given;
// whether paths can be written is left to the caller. `--help` and
// `--version` end the reading at once.
bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

// The text --help prints.
const char* renderUsage();
