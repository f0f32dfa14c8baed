#pragma once

#include "saver_mode.h"

#include <cstdint>

// What the screen-saver command line asks for. Platform-free so that it is
// built and tested on every host.
struct CommandLine {
    SaverMode mode;
    // The window handle after p, l or a as the 32-bit value the system wrote;
    // 0 when the switch takes no number or none could be read.
    std::uint32_t parentWindow;
};

// Reads the whole command line, the executable's name included, as
// GetCommandLineA gives it. A null text reads as an empty one.
CommandLine readCommandLine(const char* text);
