#include "command_options.h"

#include "printable.h"

namespace {

constexpr std::string_view kHelpNames[] = {"h", "help"};
constexpr std::string_view kVersionName = "version";

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "-x" or "--x" with a letter after the dashes: what an option looks like,
// unlike "-", "-5" or a file name.
bool looksLikeOption(std::string_view arg)
{
    const std::size_t dashes = arg.rfind("--", 0) == 0 ? 2 : arg.rfind('-', 0) == 0 ? 1 : 0;
    return dashes > 0 && arg.size() > dashes && isLetter(arg[dashes]);
}

} // namespace

ReadOutcome readOptions(int argc, const char* const* argv, const OptionSpec* table, std::size_t tableSize,
                        const TakeOption& take, std::string& error)
{
    const auto invalid = [&error](std::string why) {
        error = std::move(why);
        return ReadOutcome::Invalid;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.empty() || arg[0] != '-') {
            return invalid("unexpected argument '" + printable(arg) + "'");
        }
        // The option as written, without any "=value".
        const std::size_t equals = arg.find('=');
        const std::string_view written = arg.substr(0, equals);
        const std::string_view name = written.substr(written.rfind("--", 0) == 0 ? 2 : 1);
        const bool inlineValue = equals != std::string_view::npos;
        std::string_view value = inlineValue ? arg.substr(equals + 1) : std::string_view();

        const bool help = name == kHelpNames[0] || name == kHelpNames[1];
        const OptionSpec* found = nullptr;
        for (std::size_t k = 0; k < tableSize && found == nullptr; ++k) {
            if (table[k].name == name) {
                found = &table[k];
            }
        }
        if (!help && name != kVersionName && found == nullptr) {
            return invalid("unknown option '" + printable(written) + "'");
        }
        const bool needsValue = found != nullptr && found->value != nullptr;
        if (!needsValue) {
            if (inlineValue) {
                return invalid(printable(written) + " takes no value");
            }
            if (help || name == kVersionName) {
                return help ? ReadOutcome::ShowHelp : ReadOutcome::ShowVersion;
            }
        } else if (!inlineValue && i + 1 < argc && !looksLikeOption(argv[i + 1])) {
            value = argv[++i];
        }
        if (needsValue && value.empty()) {
            return invalid(printable(written) + " needs " + found->value);
        }
        if (!take(found->id, value, error)) {
            return ReadOutcome::Invalid;
        }
        if (found->endsReading) {
            break;
        }
    }
    return ReadOutcome::Run;
}

bool parseWholeNumber(std::string_view text, std::uint64_t max, std::uint64_t& value)
{
    if (text.empty()) {
        return false;
    }
    std::uint64_t result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (result > (max - digit) / 10) {
            return false;
        }
        result = result * 10 + digit;
    }
    value = result;
    return true;
}
