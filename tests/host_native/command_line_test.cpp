#include "command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct Row {
    const char* text; // the whole command line, the executable's name included
    SaverMode mode;
    std::uint32_t parentWindow;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << '"' << row.text << '"';
}

class CommandLineReading : public testing::TestWithParam<Row> {};

TEST_P(CommandLineReading, ChoosesModeAndWindow)
{
    const CommandLine read = readCommandLine(GetParam().text);
    EXPECT_EQ(static_cast<int>(read.mode), static_cast<int>(GetParam().mode));
    EXPECT_EQ(read.parentWindow, GetParam().parentWindow);
}

constexpr SaverMode kNone = SaverMode::None;
constexpr SaverMode kConfigure = SaverMode::Configure;
constexpr SaverMode kChange = SaverMode::ChangePassword;
constexpr SaverMode kPreview = SaverMode::Preview;
constexpr SaverMode kSaver = SaverMode::Saver;

// The switches as the system and users write them.
INSTANTIATE_TEST_SUITE_P(Switches, CommandLineReading,
                         testing::Values(Row{"cindral.scr /s", kSaver, 0}, Row{"cindral.scr -S", kSaver, 0},
                                         Row{"cindral.scr s", kSaver, 0}, Row{"cindral.scr /saver", kSaver, 0},
                                         Row{"cindral.scr /s 1234", kSaver, 0},
                                         Row{"cindral.scr /p 1234", kPreview, 1234},
                                         Row{"cindral.scr /p:1234", kPreview, 1234},
                                         Row{"cindral.scr -P:: 1234", kPreview, 1234},
                                         Row{"cindral.scr p1234", kPreview, 1234},
                                         Row{"cindral.scr /l 1234", kPreview, 1234},
                                         Row{"cindral.scr /L 1234", kPreview, 1234},
                                         Row{"cindral.scr /preview 1234", kPreview, 0},
                                         Row{"cindral.scr /p 12ab", kPreview, 12},
                                         Row{"cindral.scr /p", kPreview, 0},
                                         Row{"cindral.scr /a 1234", kChange, 1234},
                                         Row{"cindral.scr /A:77", kChange, 77},
                                         Row{"cindral.scr /a", kChange, 0},
                                         Row{"cindral.scr /c", kConfigure, 0},
                                         Row{"cindral.scr /c 1234", kConfigure, 0},
                                         Row{"cindral.scr /c:1234", kConfigure, 0},
                                         Row{"cindral.scr /config", kConfigure, 0},
                                         Row{"cindral.scr", kConfigure, 0}, Row{"cindral.scr ", kConfigure, 0},
                                         Row{"", kConfigure, 0}, Row{nullptr, kConfigure, 0},
                                         Row{"cindral.scr /", kNone, 0}, Row{"cindral.scr //s", kNone, 0},
                                         Row{"cindral.scr -/s", kNone, 0}, Row{"cindral.scr /x", kNone, 0},
                                         Row{"cindral.scr x", kNone, 0}, Row{"cindral.scr \t/s", kNone, 0}));

// How the executable's name ends: a closing quote, or the first space only.
INSTANTIATE_TEST_SUITE_P(
    ExecutableName, CommandLineReading,
    testing::Values(Row{"\"C:\\Program Files\\My Savers\\cindral.scr\" /p 42", kPreview, 42},
                    Row{"\"C:\\Program Files\\cindral.scr\"/p 42", kPreview, 42},
                    Row{"\"C:\\Program Files\\cindral.scr\"", kConfigure, 0},
                    Row{"\"C:\\Program Files\\cindral.scr /s", kConfigure, 0},
                    Row{"\"unclosed /s\" /s", kSaver, 0}, Row{"\"\" /s", kSaver, 0},
                    Row{"cindral.scr\t/s", kConfigure, 0}, Row{"cindral.scr\t/s /p 5", kPreview, 5},
                    Row{"cindral.scr     /s", kSaver, 0}, Row{"cindral.scr  -p  99", kPreview, 99},
                    Row{"C:\\Savers\\cindral.scr /S", kSaver, 0}));

// The number after p, l and a: spaces and colons in any order, then atoi's
// rules with the digits taken modulo 2^32.
INSTANTIATE_TEST_SUITE_P(
    WindowNumber, CommandLineReading,
    testing::Values(Row{"x /p : :: 7", kPreview, 7}, Row{"x /p:::   :8", kPreview, 8},
                    Row{"x /p\t9", kPreview, 9}, Row{"x /p:\t\n\v\f\r 10", kPreview, 10},
                    Row{"x /p:\t:11", kPreview, 0}, Row{"x /p +12", kPreview, 12},
                    Row{"x /p -1", kPreview, 4294967295u}, Row{"x /p -2147483648", kPreview, 2147483648u},
                    Row{"x /p +-3", kPreview, 0}, Row{"x /p - 3", kPreview, 0},
                    Row{"x /p 4294967295", kPreview, 4294967295u}, Row{"x /p 4294967296", kPreview, 0},
                    Row{"x /p 4294967297", kPreview, 1}, Row{"x /p 99999999999", kPreview, 1215752191u},
                    Row{"x /p 0x1F", kPreview, 0}, Row{"x /p 00042", kPreview, 42},
                    Row{"x /p 12 34", kPreview, 12}, Row{"x /a 2147483648", kChange, 2147483648u},
                    Row{"x /a-5", kChange, 4294967291u}, Row{"x /l::3000000000", kPreview, 3000000000u}));

} // namespace
