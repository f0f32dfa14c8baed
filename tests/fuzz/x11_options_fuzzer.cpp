// The Linux host's arguments and the XSCREENSAVER_WINDOW variable: the first
// NUL-separated piece is the variable, the rest the arguments.
#include "fuzz_arguments.h"
#include "x11_options.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> pieces = argumentsFrom(data, size);
    std::vector<const char*> argv = {"cindral"};
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        argv.push_back(pieces[i].c_str());
    }
    X11Options options;
    std::string error;
    const ParseOutcome outcome = parseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
    if (outcome == ParseOutcome::Invalid) {
        if (!isTerminalSafeLine(error)) {
            std::abort();
        }
        return 0;
    }
    if (outcome != ParseOutcome::Run) {
        return 0;
    }
    if (options.target == DrawTarget::WindowId && options.windowId == 0) {
        std::abort();
    }
    if (options.delayMicroseconds < 0 || options.delayMicroseconds > kMaxDelayMicroseconds) {
        std::abort();
    }
    TargetChoice choice;
    if (!chooseTarget(options, pieces[0].c_str(), choice, error)) {
        if (!isTerminalSafeLine(error)) {
            std::abort();
        }
    } else if (choice.kind == TargetChoice::Kind::GivenWindow && choice.id == 0) {
        std::abort();
    }
    return 0;
}
