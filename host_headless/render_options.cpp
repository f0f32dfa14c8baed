#include "render_options.h"

#include "printable.h"

#include <limits>

namespace {

// Plain decimal digits only: no sign, no exponent, no spaces. False when
// empty, malformed or above `max`.
bool parseWholeNumber(const std::string& text, std::uint64_t max, std::uint64_t& value)
{
    if (text.empty()) {
        return false;
    }
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (result > (max - digit) / 10) {
            return false;
        }
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool parseSize(const std::string& text, int& width, int& height, std::string& error)
{
    const std::size_t cross = text.find('x');
    std::uint64_t w = 0;
    std::uint64_t h = 0;
    if (cross == std::string::npos ||
        !parseWholeNumber(text.substr(0, cross), kMaxRenderSide, w) ||
        !parseWholeNumber(text.substr(cross + 1), kMaxRenderSide, h) || w == 0 || h == 0) {
        error = "--size '" + printable(text) + "' is not WIDTHxHEIGHT with both from 1 to " +
                std::to_string(kMaxRenderSide);
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

} // namespace

bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& o, std::string& error)
{
    error.clear();
    constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            hasValue = true;
        }

        if (name == "--help" || name == "-h" || name == "--version" || name == "--no-output") {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            if (name == "--no-output") {
                o.noOutput = true;
                continue;
            }
            (name == "--version" ? o.version : o.help) = true;
            return true;
        }
        const bool takesValue = name == "--size" || name == "--frames" || name == "--png" ||
                                name == "--state" || name == "--every" || name == "--out";
        if (!takesValue) {
            error = name.rfind("-", 0) == 0 ? "unknown option '" + printable(name) + "'"
                                            : "unexpected argument '" + printable(name) + "'";
            return false;
        }
        if (!hasValue) {
            // A following option is taken as a forgotten value, not as a file
            // name: "--png --state s.json" must not write a file "--state".
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }

        if (name == "--size") {
            if (!parseSize(value, o.width, o.height, error)) {
                return false;
            }
        } else if (name == "--frames") {
            if (!parseWholeNumber(value, kNoLimit, o.frames)) {
                error = "--frames '" + printable(value) + "' is not a whole number of frames (0 or more)";
                return false;
            }
        } else if (name == "--every") {
            if (!parseWholeNumber(value, kNoLimit, o.every) || o.every == 0) {
                error = "--every '" + printable(value) + "' is not a positive whole number";
                return false;
            }
        } else if (value.empty()) {
            error = name + " needs a non-empty path";
            return false;
        } else if (name == "--png") {
            o.pngPath = value;
        } else if (name == "--state") {
            o.statePath = value;
        } else {
            o.outDir = value;
        }
    }

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

const char* renderUsage()
{
    return "Usage: cindral-render [options]\n"
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
           "Options take their value as the next argument or after '=' (--size=320x240).\n"
           "A run needs --png, --every/--out or --state, or else --no-output.\n"
           "Every output is checked before the first frame, and appears whole or not at all.\n"
           "Exit status: 0 on success; 1 where the machine could not do it (no off-screen\n"
           "OpenGL context, out of memory, a write that failed after the checks); 2 on bad\n"
           "arguments or an output that cannot be written as given. A signal that ends it\n"
           "leaves no temporary file.\n";
}
