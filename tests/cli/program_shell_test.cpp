#include "program_shell.h"
#include "terminal_line.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <future>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

// What escapes a program's body becomes one line and the shared exit status,
// never an abort.
TEST(ProgramShell, EndsEveryEscapingExceptionWithOneLineAndTheSharedStatus)
{
    namespace fs = std::filesystem;
    const struct {
        std::function<int()> body;
        int status;
        std::string line;
    } rows[] = {
        {[] { return 0; }, 0, ""},
        {[] { return failWith(kExitBadInput, "--size 'x' is not WIDTHxHEIGHT"); }, 2,
         "demo: --size 'x' is not WIDTHxHEIGHT\n"},
        {[]() -> int { throw std::bad_alloc(); }, 1, "demo: out of memory\n"},
        // A path the user gave that cannot be used is bad input; the
        // machine failing under it is not.
        {[]() -> int { throw fs::filesystem_error("status", "loop", std::make_error_code(std::errc::too_many_symbolic_link_levels)); },
         2, "demo: filesystem error: status: Too many levels of symbolic links [loop]\n"},
        {[]() -> int { throw std::system_error(EACCES, std::generic_category(), "open"); }, 2,
         "demo: open: Permission denied\n"},
        {[]() -> int { throw std::system_error(ENOSPC, std::system_category(), "write"); }, 1,
         "demo: write: No space left on device\n"},
        {[]() -> int { throw std::system_error(std::make_error_code(std::future_errc::no_state)); }, 1,
         "demo: No associated state\n"},
        // Whatever the exception says is shown printable.
        {[]() -> int { throw std::runtime_error("bad \x1b[2J\xc2\x9b\n"); }, 1, "demo: bad \\x1b[2J\\u{9b}\\n\n"},
        {[]() -> int { throw 42; }, 1, "demo: failed for a reason it cannot name\n"},
    };
    for (const auto& row : rows) {
        ::testing::internal::CaptureStderr();
        const int status = runProgram("demo", row.body);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, row.status) << row.line;
        EXPECT_EQ(err, row.line);
        EXPECT_TRUE(err.empty() || isTerminalSafeLine(err.substr(0, err.size() - 1))) << err;
    }
}
