#include "printable.h"

std::string printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            shown += "\\\\";
            break;
        case '\n':
            shown += "\\n";
            break;
        case '\t':
            shown += "\\t";
            break;
        case '\r':
            shown += "\\r";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                shown += "\\x";
                shown += kHex[byte >> 4];
                shown += kHex[byte & 0xf];
            } else {
                shown += c;
            }
        }
    }
    return shown;
}
