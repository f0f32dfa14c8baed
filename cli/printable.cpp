#include "printable.h"

namespace {

constexpr char kHex[] = "0123456789abcdef";

// The length of the well-formed UTF-8 sequence that starts at `at`, with its
// code point in `codePoint`; 0 where the byte there starts none. The ranges
// are Unicode's table of well-formed byte sequences, which leaves out
// overlong forms, surrogates and everything beyond U+10FFFF.
std::size_t sequenceAt(std::string_view text, std::size_t at, char32_t& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        codePoint = lead & 0x1fu;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        codePoint = lead & 0x0fu;
        secondLow = lead == 0xe0 ? 0xa0 : 0x80;
        secondHigh = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        codePoint = lead & 0x07u;
        secondLow = lead == 0xf0 ? 0x90 : 0x80;
        secondHigh = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        const unsigned char low = i == 1 ? secondLow : 0x80;
        const unsigned char high = i == 1 ? secondHigh : 0xbf;
        if (next < low || next > high) {
            return 0;
        }
        codePoint = codePoint << 6 | (next & 0x3fu);
    }
    return length;
}

bool showsAsCodePoint(char32_t c)
{
    return (c >= 0x80 && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029;
}

void appendByte(std::string& shown, unsigned char byte)
{
    shown += "\\x";
    shown += kHex[byte >> 4];
    shown += kHex[byte & 0xf];
}

void appendCodePoint(std::string& shown, char32_t c)
{
    shown += "\\u{";
    bool leading = true;
    for (int shift = 20; shift >= 0; shift -= 4) {
        const unsigned digit = (c >> shift) & 0xfu;
        if (digit != 0 || !leading || shift == 0) {
            shown += kHex[digit];
            leading = false;
        }
    }
    shown += '}';
}

// Walks `text` one character at a time (a code point, or a byte that is not
// part of one), handing `each` the form it is shown in.
template <typename Each>
void forEachCharacter(std::string_view text, bool doubleBackslash, Each each)
{
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = sequenceAt(text, at, c);
        shown.clear();
        if (length == 0) {
            appendByte(shown, static_cast<unsigned char>(text[at]));
            each(shown);
            ++at;
            continue;
        }
        if (c == '\\') {
            shown = doubleBackslash ? "\\\\" : "\\";
        } else if (c == '\n') {
            shown = "\\n";
        } else if (c == '\t') {
            shown = "\\t";
        } else if (c == '\r') {
            shown = "\\r";
        } else if (c < 0x20 || c == 0x7f) {
            appendByte(shown, static_cast<unsigned char>(c));
        } else if (showsAsCodePoint(c)) {
            appendCodePoint(shown, c);
        } else {
            shown.assign(text.substr(at, length));
        }
        each(shown);
        at += length;
    }
}

} // namespace

std::string printable(std::string_view text)
{
    std::size_t characters = 0;
    forEachCharacter(text, true, [&](const std::string&) { ++characters; });
    constexpr std::size_t kKept = kPrintableMaxCharacters / 2;
    const bool cut = characters > kPrintableMaxCharacters;

    std::string result;
    result.reserve(text.size());
    std::size_t index = 0;
    forEachCharacter(text, true, [&](const std::string& shown) {
        if (cut && index == kKept) {
            const std::size_t dropped = characters - 2 * kKept;
            result += "\\[" + std::to_string(dropped) + (dropped == 1 ? " character cut]" : " characters cut]");
        }
        if (!cut || index < kKept || index >= characters - kKept) {
            result += shown;
        }
        ++index;
    });
    return result;
}

std::string printableMessage(std::string_view message)
{
    std::string result;
    result.reserve(message.size());
    forEachCharacter(message, false, [&](const std::string& shown) { result += shown; });
    return result;
}
