#pragma once

#include "terminal_line.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A fuzzer's input as command-line arguments: the bytes split at each NUL.
inline std::vector<std::string> argumentsFrom(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    return args;
}
