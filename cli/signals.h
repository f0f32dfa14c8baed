#pragma once

#include <csignal>
#include <string>

// Every signal handler of the Linux programs, and the list of what a signal
// must take away before the program ends by it: its named temporary files
// and the empty folders a run made.
//
//   start ──takeSignals──▶ ready ──a signal──▶ stop signal, watched: stopSignal()
//                                             is set, the run ends by itself and
//                                             runProgram ends by that signal
//                                          ─▶ any other ending signal: the list
//                                             is taken away, then the program
//                                             ends by the signal
//
// A signal not at its default action when the program starts stays as it
// is: one ignored on purpose (nohup, a shell's trap '' PIPE) stays ignored,
// one a profiler or sanitizer handles stays theirs. Faults (SEGV, BUS, FPE,
// ILL, ABRT, TRAP, SYS) are never taken. SIGXFSZ is ignored, so that a write
// past the file size limit fails with EFBIG as on a full disk.

// Takes the signals, once, on the thread that keeps the list: with
// `watchStopSignals`, SIGINT and SIGTERM only set stopSignal(), which the run
// watches; otherwise they end the program as the other ending signals do.
void takeSignals(bool watchStopSignals);

// The stop signal that arrived (SIGINT or SIGTERM) where they are watched;
// 0 while none has.
int stopSignal();

// Ends the process by `signalNumber` with its default action, as though it
// had never been caught: the parent (a shell, a screen saver daemon) sees
// the process killed by that signal. Safe in a signal handler.
void endBySignal(int signalNumber);

// An entry in the list of what a signal takes away: a file to remove, or a
// chain of folders to remove while empty, deepest first. Taken off the list
// by release() or the destructor, which remove nothing themselves.
class OnSignalRemove {
public:
    OnSignalRemove() = default;
    ~OnSignalRemove() { release(); }
    OnSignalRemove(const OnSignalRemove&) = delete;
    OnSignalRemove& operator=(const OnSignalRemove&) = delete;

    // Puts `path` on the list: a file, or (with `folders` > 0) that folder
    // and the `folders` - 1 above it. False (ENAMETOOLONG, EMFILE in errno)
    // when it cannot be listed.
    bool take(const std::string& path, int folders = 0);
    // The path listed, which mkstemp may fill in where it is listed.
    char* path();
    bool listed() const { return slot_ >= 0; }
    void release();

private:
    int slot_ = -1;
};

// Holds the ending signals back on this thread while a file and its entry in
// the list change together, so that a signal sees either both or neither.
class SignalsHeld {
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};
