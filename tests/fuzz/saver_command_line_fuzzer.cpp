// The Windows saver's command line: any text the system could pass.
#include "command_line.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // GetCommandLineA's text ends at its first NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CommandLine line = readCommandLine(text.c_str());
    const int mode = static_cast<int>(line.mode);
    if (mode < 0 || mode > 4) {
        std::abort();
    }
    // Only preview and password change carry a window.
    if (line.parentWindow != 0 && line.mode != SaverMode::Preview && line.mode != SaverMode::ChangePassword) {
        std::abort();
    }
    return 0;
}
