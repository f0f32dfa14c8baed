#include "render_options.h"

#include "printable.h"

#include <limits>

namespace {

enum Option {
    kSize,
    kFrames,
    kPng,
    kState,
    kEvery,
    kOut,
    kNoOutput,
};

const OptionSpec kOptions[] = {
    {"size", kSize, "a size WIDTHxHEIGHT"},
    {"frames", kFrames, "a number of frames"},
    {"png", kPng, "a file name"},
    {"state", kState, "a file name"},
    {"every", kEvery, "a number of frames"},
    {"out", kOut, "a folder"},
    {"no-output", kNoOutput},
};

bool parseSize(std::string_view text, int& width, int& height, std::string& error)
{
    const std::size_t cross = text.find('x');
    std::uint64_t w = 0;
    std::uint64_t h = 0;
    if (cross == std::string_view::npos || !parseWholeNumber(text.substr(0, cross), kMaxRenderSide, w) ||
        !parseWholeNumber(text.substr(cross + 1), kMaxRenderSide, h) || w == 0 || h == 0) {
        error = "--size '" + printable(text) + "' is not WIDTHxHEIGHT with both from 1 to " +
                std::to_string(kMaxRenderSide);
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool takeOption(RenderOptions& o, int id, std::string_view value, std::string& error)
{
    constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();
    switch (id) {
    case kSize:
        return parseSize(value, o.width, o.height, error);
    case kFrames:
        if (!parseWholeNumber(value, kNoLimit, o.frames)) {
            error = "--frames '" + printable(value) + "' is not a whole number of frames (0 or more)";
            return false;
        }
        break;
    case kEvery:
        if (!parseWholeNumber(value, kNoLimit, o.every) || o.every == 0) {
            error = "--every '" + printable(value) + "' is not a positive whole number";
            return false;
        }
        break;
    case kPng:
        o.pngPath = value;
        break;
    case kState:
        o.statePath = value;
        break;
    case kOut:
        o.outDir = value;
        break;
    case kNoOutput:
        o.noOutput = true;
        break;
    }
    return true;
}

// How the options combine, once all are read.
bool combinationIsSound(const RenderOptions& o, std::string& error)
{
    if (o.every != 0 && o.outDir.empty()) {
        error = "--every needs --out DIR";
    } else if (o.every == 0 && !o.outDir.empty()) {
        error = "--out needs --every K";
    } else if (!o.pngPath.empty() && o.frames == 0) {
        error = "--png needs at least one frame (--frames 0 draws nothing)";
    } else if (o.noOutput && (!o.pngPath.empty() || !o.statePath.empty() || o.every != 0)) {
        error = "--no-output cannot go with --png, --every/--out or --state";
    } else if (!o.noOutput && o.pngPath.empty() && o.statePath.empty() && o.every == 0) {
        error = "nothing to write: give --png FILE, --every/--out or --state FILE, or --no-output to only render";
    }
    return error.empty();
}

} // namespace

ReadOutcome readRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error)
{
    const ReadOutcome outcome = readOptions(
        argc, argv, kOptions,
        [&options](int id, std::string_view value, std::string& why) { return takeOption(options, id, value, why); },
        error);
    if (outcome == ReadOutcome::Run && !combinationIsSound(options, error)) {
        return ReadOutcome::Invalid;
    }
    return outcome;
}

const char kRenderUsage[] =
    "Usage: cindral-render [options]\n"
    "Renders the flame off-screen with Mesa and writes pictures and the scene's state.\n"
    "\n"
    "  --size WxH      drawing surface in pixels, each side 1 to 16384 (default 800x600)\n"
    "  --frames N      frames to render after setting up the scene (default 100)\n"
    "  --png FILE      write the last frame as a PNG\n"
    "  --every K       with --out: write every K-th frame as DIR/frame-NNNNNN.png\n"
    "  --out DIR       directory for --every; made when missing\n"
    "  --state FILE    write the scene's state after the last frame as JSON\n"
    "  --no-output     write nothing, only render (to time a run)\n"
    "  -h, --help      show this text\n"
    "  --version       show the version\n"
    "\n"
    "Options take one dash or two, and their value as the next argument or after\n"
    "'=' (--size=320x240).\n"
    "A run needs --png, --every/--out or --state, or else --no-output.\n"
    "Every output is checked before the first frame, and appears whole or not at all.\n"
    "Exit status: 0 on success; 1 where the machine could not do it (no off-screen\n"
    "OpenGL context, out of memory, a write that failed after the checks); 2 on bad\n"
    "arguments or an output that cannot be written as given. A signal that ends it\n"
    "leaves no temporary file.\n";
