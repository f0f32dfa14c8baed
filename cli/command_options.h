#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The command-line reader of the Linux programs, over a table of each one's
// options. An option is written with one dash or two (-root, --root); one
// that takes a value has it as the next argument or after '='
// (--size=320x240). -h, -help and -version are every program's own.

struct OptionSpec {
    std::string_view name; // without dashes
    int id;                // the program's own number for it
    // What its value is, for "--png needs a file name"; null when it takes
    // none.
    const char* value = nullptr;
    // What follows it is not read (an action such as -help).
    bool endsReading = false;
};

enum class ReadOutcome {
    Run,
    ShowHelp,
    ShowVersion,
    Invalid,
};

// Takes one option the reader found: `value` is empty for an option without
// one. Returns false, with one line in `error`, to refuse it.
using TakeOption = std::function<bool(int id, std::string_view value, std::string& error)>;

// Reads the arguments after argv[0]. Each option goes to `take` in the order
// given, so that a later one may override an earlier one. On Invalid, `error`
// says why in one line, with what was given shown printable: an argument
// that is not an option, an unknown option, a value given to an option that
// takes none, a value that is missing or empty. An option that follows one
// needing a value counts as its forgotten value, so that "--png --state
// s.json" does not write a file named "--state"; a value that begins with a
// dash goes after '=' (--png=-x.png).
ReadOutcome readOptions(int argc, const char* const* argv, const OptionSpec* table, std::size_t tableSize,
                        const TakeOption& take, std::string& error);

template <std::size_t N>
ReadOutcome readOptions(int argc, const char* const* argv, const OptionSpec (&table)[N], const TakeOption& take,
                        std::string& error)
{
    return readOptions(argc, argv, table, N, take, error);
}

// Plain decimal digits only, no sign, no exponent, no spaces: false when
// empty, malformed or above `max`.
bool parseWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t& value);
