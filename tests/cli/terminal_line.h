#pragma once

#include <string_view>

// Whether a message is safe to show on any terminal as one line: not empty,
// well-formed UTF-8, and free of what printable() must escape (C0 and C1
// controls, DEL, bidirectional controls, line and paragraph separators).
// Decoded here by arithmetic rather than by printable()'s table, so that
// the two can catch each other out.
inline bool isTerminalSafeLine(std::string_view line)
{
    if (line.empty()) {
        return false;
    }
    for (std::size_t at = 0; at < line.size();) {
        const auto lead = static_cast<unsigned char>(line[at]);
        // The leading ones of the first byte give the sequence's length:
        // none for ASCII, two to four for a lead byte; one is a continuation
        // byte, and more than four start nothing.
        int ones = 0;
        while (ones < 8 && (lead & (0x80u >> ones)) != 0) {
            ++ones;
        }
        const int length = ones == 0 ? 1 : ones;
        if (ones == 1 || ones > 4 || at + static_cast<std::size_t>(length) > line.size()) {
            return false;
        }
        char32_t c = length == 1 ? lead : lead & (0x7fu >> length);
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(line[at + i]);
            if ((next & 0xc0u) != 0x80u) {
                return false;
            }
            c = c << 6 | (next & 0x3fu);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || (c >= 0xd800 && c <= 0xdfff) || c > 0x10ffff) {
            return false;
        }
        if (c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
            (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029) {
            return false;
        }
        at += static_cast<std::size_t>(length);
    }
    return true;
}
