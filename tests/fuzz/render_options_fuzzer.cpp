// cindral-render's arguments, NUL-separated.
#include "fuzz_arguments.h"
#include "render_options.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args = argumentsFrom(data, size);
    args.erase(args.begin()); // the program's own name
    RenderOptions o;
    std::string error;
    if (!parseRenderOptions(args, o, error)) {
        if (!isTerminalSafeLine(error)) {
            std::abort();
        }
        return 0;
    }
    // Help and version end the reading at once, with what came before unchecked.
    if (o.help || o.version) {
        return 0;
    }
    const bool sizeInRange = o.width >= 1 && o.width <= kMaxRenderSide && o.height >= 1 && o.height <= kMaxRenderSide;
    const bool seriesComplete = (o.every == 0) == o.outDir.empty();
    const bool pngDrawsAFrame = o.pngPath.empty() || o.frames > 0;
    if (!sizeInRange || !seriesComplete || !pngDrawsAFrame) {
        std::abort();
    }
    return 0;
}
