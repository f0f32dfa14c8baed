#pragma once

#include "command_options.h"
#include "signals.h"

#include <functional>
#include <string>
#include <string_view>

// The Linux programs' edge with the system, and where each part of it lives:
// - Standard input, output and error: a descriptor among 0-2 that is closed
//   at the start gets /dev/null, before anything else, so that no file the
//   run opens takes its number and no message lands in an output (runProgram).
//   Output asked for on a standard output that was closed still fails.
// - Signals: taken in one place, at the start (signals.h); what a signal must
//   take away (named temporary files, folders a run made) is listed there.
// - Files written: whole or not at all, through OutputFile (output_file.h),
//   which also clears the temporary files that a killed run of the same
//   program left in a folder before it writes there.
// - Files read: regular files only, bounded, never waited on
//   (regular_file.h).
// - Endings: every failure is a Failure, an exit status below and one line;
//   messages quote what they show through printable() (printable.h).
// The exit statuses:
constexpr int kExitSuccess = 0;
// The machine could not do it: no usable OpenGL or off-screen context, out of
// memory, too few file descriptors, a device that failed while writing after
// every check had passed.
constexpr int kExitFailure = 1;
// Bad input, which the user can fix: an option or its value, an environment
// variable, a path that cannot be used as given.
constexpr int kExitBadInput = 2;
// SIGINT and SIGTERM end them by that signal, as if uncaught, once they have
// tidied up: the parent (a shell, a screen saver daemon) sees a program
// stopped by a signal as it expects. A file size limit is not a signal to
// them: a write past it fails, as on a full disk, with kExitFailure.

// A run that cannot go on: its exit status and the one line that says why.
struct Failure {
    int status = kExitSuccess;
    std::string message;
};

// The status for a failed system call on a path the user gave, by its errno:
// bad input where the path is at fault (it or a folder on it is missing, not
// a folder, not permitted, read-only, a loop of links, too long), else the
// machine's failure (no space left, an I/O error, no memory, too many open
// files).
int exitStatusForError(int errorNumber);

// The name the program runs under (runProgram), which starts its messages.
const char* programName();

// Writes "NAME: MESSAGE" on stderr as one printable line and returns `status`.
int failWith(int status, std::string_view message);
int failWith(const Failure& failure);

// Writes `text` on standard output and makes sure that it got there: 0, or,
// as GNU tools do, one line and kExitFailure where it could not be written (a
// full device, a descriptor closed at the start). `done`, when given, is
// added to that line: what was done all the same.
int printOnStdout(std::string_view text, std::string_view done = {});

// Runs a program's body under its name, which starts each message, and
// returns its exit status. An exception that escapes the body ends the
// program with one line instead of an abort: a std::system_error by its
// error (exitStatusForError), std::bad_alloc and everything else with
// kExitFailure.
int runProgram(const char* name, const std::function<int()>& body);

// A Linux program's front door: its name (which starts each message and the
// version line), its usage, how it reads its options and what it then runs.
template <typename Options>
struct Program {
    const char* name;
    const char* usage;
    ReadOutcome (*read)(int argc, const char* const* argv, Options& options, std::string& error);
    int (*run)(const Options& options);
    // SIGINT and SIGTERM only set stopSignal(), which the run watches to end
    // by itself and tidy up; the program then ends by that signal. Otherwise
    // they keep whatever action the run gives them.
    bool watchesStopSignals = false;
};

// Runs `program`: gives closed standard descriptors /dev/null, takes the
// signals (signals.h), reads the command line, answers -help and -version on
// standard output, refuses bad options with one line (status 2), runs the
// program with what it read, catches whatever escapes (runProgram above),
// and ends by a stop signal that arrived. Returns the exit status otherwise.
int runProgram(const char* name, const char* usage, bool watchesStopSignals,
               const std::function<ReadOutcome(std::string& error)>& read, const std::function<int()>& run);

template <typename Options>
int runProgram(const Program<Options>& program, int argc, const char* const* argv)
{
    Options options;
    return runProgram(
        program.name, program.usage, program.watchesStopSignals,
        [&](std::string& error) { return program.read(argc, argv, options, error); },
        [&] { return program.run(options); });
}
