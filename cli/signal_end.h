#pragma once

// Ends the process by `signalNumber` with its default action, as though it had
// never been caught: the parent (a shell, a screen saver daemon) then sees the
// process killed by that signal, which is how it expects a program to end
// when it is sent one. Safe to call from a signal handler. Does not return
// for signals whose default action ends the process.
void endBySignal(int signalNumber);
