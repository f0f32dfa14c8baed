#include "command_line.h"

namespace {

// The white space that atoi skips before a number. The rest of the scan
// treats only the space itself (0x20) as a separator.
bool isNumberSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* skipSpacesAndColons(const char* p)
{
    while (*p == ' ' || *p == ':') {
        ++p;
    }
    return p;
}

// Reads a decimal number as atoi does (white space, one optional sign,
// digits up to the first non-digit; none give 0), except that the digits
// accumulate modulo 2^32 rather than overflow: a handle written as an
// unsigned 32-bit number arrives bit for bit.
std::uint32_t readNumber(const char* p)
{
    while (isNumberSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    std::uint32_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    return negative ? 0u - value : value;
}

} // namespace

CommandLine readCommandLine(const char* text)
{
    const char* p = text != nullptr ? text : "";

    // The executable's name: up to the closing quote when it is quoted,
    // otherwise up to the first space. A tab does not end it.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && *p != ' ') {
            ++p;
        }
    }
    if (*p != '\0') {
        ++p; // the closing quote or the space after the name
    }
    while (*p == ' ') {
        ++p;
    }
    if (*p == '\0') {
        return {SaverMode::Configure, 0};
    }
    if (*p == '-' || *p == '/') {
        ++p;
    }

    // Only the letter counts: "/preview 1" is p followed by "review 1",
    // which reads as the number 0.
    switch (*p) {
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        return {SaverMode::Preview, readNumber(skipSpacesAndColons(p + 1))};
    case 's':
    case 'S':
        return {SaverMode::Saver, 0};
    case 'c':
    case 'C':
        // Configure shows nothing, so the window it might name is not read.
        return {SaverMode::Configure, 0};
    case 'a':
    case 'A':
        return {SaverMode::ChangePassword, readNumber(skipSpacesAndColons(p + 1))};
    default:
        return {SaverMode::None, 0};
    }
}
