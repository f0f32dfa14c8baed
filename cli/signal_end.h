#pragma once

#include <csignal>

// Ends the process by `signalNumber` with its default action, as though it had
// never been caught: the parent (a shell, a screen saver daemon) then sees the
// process killed by that signal, which is how it expects a program to end
// when it is sent one. Safe to call from a signal handler. Does not return
// for signals whose default action ends the process.
void endBySignal(int signalNumber);

// Installs `handler` for every signal that can be sent to the process and
// whose default action ends it (HUP, INT, QUIT, PIPE, ALRM, TERM, USR1, USR2,
// the real-time signals and the rest), so that a program can tidy up before
// it ends by the signal. Signals that are not at their default action are
// left alone: one ignored on purpose (nohup, a shell's trap '' PIPE) stays
// ignored, and one a profiler or sanitizer handles stays theirs. Faults
// (SEGV, BUS, FPE, ILL, ABRT, TRAP, SYS) are left to their default or to a
// sanitizer. The signals now handled are put into `caught`, with which the
// handler is also run blocked.
void catchEndingSignals(void (*handler)(int), sigset_t& caught);
