#pragma once

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

// Whether a message fits on one line of a terminal: no control characters,
// so no line break, and not empty.
inline bool isOneLine(const std::string& message)
{
    if (message.empty()) {
        return false;
    }
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}
