#pragma once

// The one way the native tests run a program: no shell, standard input from
// /dev/null, no other descriptor past standard error, every signal at its
// default action and no core file, as from a shell; what it writes to a captured stream is read while it runs.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// Where the program's standard output or error goes.
enum class Stream {
    Captured,    // a pipe this process reads: output() and errorText()
    Closed,      // no such descriptor at all
    ReaderGone,  // a pipe whose reader has gone: writing raises SIGPIPE
    Full,        // /dev/full: every write fails
};

struct Launch {
    std::vector<std::string> argv;  // argv[0] is looked up on PATH when it has no slash
    // "NAME=value" sets a variable, "NAME" alone removes it.
    std::vector<std::string> env = {};
    std::string folder = "";  // the working folder; empty: this process's
    Stream out = Stream::Captured;
    Stream err = Stream::Captured;
    unsigned long addressSpaceBytes = 0;  // a limit as ulimit -v sets it; 0: none
    unsigned long fileSizeBytes = 0;      // a limit as ulimit -f sets it, in bytes; 0: none
    unsigned long openFiles = 0;          // a limit as ulimit -n sets it; 0: none
};

// A running program, killed if still running when destroyed.
class Process {
public:
    explicit Process(const Launch& launch);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    void signal(int number);
    // Waits up to `seconds` for the end; false on a time-out, after which
    // the program is killed.
    bool waitForExit(double seconds);
    // "exit 0", "signal 15", or "still running".
    std::string howItEnded() const;
    // What it has written to a captured stream so far.
    const std::string& output();
    const std::string& errorText();

private:
    void drain();
    void kill();

    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

// A program run to its end (killed after `seconds`): how it ended, as
// Process::howItEnded says, and what it wrote.
struct Finished {
    std::string how, out, err;
};
Finished runProgram(const Launch& launch, double seconds = 120);

// Calls `condition` every 10 ms until it holds or `seconds` pass; whether it
// held.
bool waitUntil(double seconds, const std::function<bool()>& condition);

void sleepSeconds(double seconds);

// The number of a process that has ended.
pid_t endedProcess();
