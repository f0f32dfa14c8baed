// The reader and the shell as both Linux programs use them: the same command
// line ends the same way, with the same status, in either.
#include "cindral_version.h"
#include "program_shell.h"
#include "render_options.h"
#include "terminal_line.h"
#include "x11_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What differs between the programs in a row: an option that takes a value,
// what that value is, and an option that takes none.
struct Names {
    const char* program;
    const char* usage;
    std::string valued;
    std::string what;
    std::string flag;
};

// Placeholders in a row: VALUED, WHAT, FLAG and NAME.
std::string fill(std::string text, const Names& n)
{
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"VALUED", n.valued},
                                     {"WHAT", n.what}, {"FLAG", n.flag}, {"NAME", n.program}}) {
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

struct Ended {
    int status;
    std::string out;
    std::string err;
};

// Runs the program's front door, its run replaced by one that only says it
// was reached, with exit status 99.
template <typename Options>
Ended runFrontDoor(Program<Options> program, const std::vector<std::string>& args)
{
    program.run = [](const Options&) { return 99; };
    std::vector<const char*> argv = {program.name};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = runProgram(program, static_cast<int>(argv.size()), argv.data());
    const std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

} // namespace

TEST(CommandOptions, BothProgramsReadTheirCommandLinesByTheSameRulesAndEndAlike)
{
    const Names x11 = {CINDRAL_PROGRAM_NAME, kUsage, "display", "a display name", "fps"};
    const Names render = {"cindral-render", kRenderUsage, "png", "a file name", "no-output"};
    enum Out { Nothing, Usage, Version };
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err; // the whole of stderr
        Out out = Nothing;
    } rows[] = {
        // Help and version, with one dash or two, end the reading at once.
        {{"-help"}, 0, "", Usage},
        {{"--help", "--bogus"}, 0, "", Usage},
        {{"-h"}, 0, "", Usage},
        {{"--version"}, 0, "", Version},
        {{"-version", "stray"}, 0, "", Version},
        // A value next or after '=', one dash or two.
        {{"-VALUED", "x"}, 99, ""},
        {{"--VALUED=x"}, 99, ""},
        {{"-VALUED=-x"}, 99, ""},
        // Everything else that cannot be read: one line and status 2.
        {{"--bogus"}, 2, "NAME: unknown option '--bogus' (see NAME --help)\n"},
        {{"-"}, 2, "NAME: unknown option '-' (see NAME --help)\n"},
        {{"-bogus\x1b[2J"}, 2, "NAME: unknown option '-bogus\\x1b[2J' (see NAME --help)\n"},
        {{"stray"}, 2, "NAME: unexpected argument 'stray' (see NAME --help)\n"},
        {{"--help=x"}, 2, "NAME: --help takes no value (see NAME --help)\n"},
        {{"--FLAG=1"}, 2, "NAME: --FLAG takes no value (see NAME --help)\n"},
        {{"--VALUED"}, 2, "NAME: --VALUED needs WHAT (see NAME --help)\n"},
        {{"-VALUED="}, 2, "NAME: -VALUED needs WHAT (see NAME --help)\n"},
        // An option where the value should be is taken for a forgotten value.
        {{"-VALUED", "--help"}, 2, "NAME: -VALUED needs WHAT (see NAME --help)\n"},
        {{"-VALUED", "-FLAG"}, 2, "NAME: -VALUED needs WHAT (see NAME --help)\n"},
    };
    for (const auto& row : rows) {
        Ended ended[2];
        int k = 0;
        for (const Names& names : {x11, render}) {
            std::vector<std::string> args;
            for (const std::string& arg : row.args) {
                args.push_back(fill(arg, names));
            }
            const std::string where = std::string(names.program) + " " + ::testing::PrintToString(args);
            ended[k] = k == 0 ? runFrontDoor(Program<X11Options>{names.program, names.usage, readX11Options, nullptr}, args)
                              : runFrontDoor(Program<RenderOptions>{names.program, names.usage, readRenderOptions, nullptr},
                                             args);
            const Ended& e = ended[k++];
            const std::string out = row.out == Usage     ? names.usage
                                    : row.out == Version ? fill("NAME ", names) + CINDRAL_VERSION + "\n"
                                                         : "";
            EXPECT_EQ(e.status, row.status) << where;
            EXPECT_EQ(e.out, out) << where;
            EXPECT_EQ(e.err, fill(row.err, names)) << where;
            EXPECT_TRUE(e.err.empty() || isTerminalSafeLine(e.err.substr(0, e.err.size() - 1))) << where;
        }
        EXPECT_EQ(ended[0].status, ended[1].status) << ::testing::PrintToString(row.args);
    }
}
