#include "signal_end.h"

namespace {

// The signals a process can be sent whose default action ends it, faults
// aside; the real-time ones are added at run time, as SIGRTMIN is not a
// constant.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2,
                                  SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};

bool atDefaultAction(int signalNumber)
{
    struct sigaction current = {};
    return sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

} // namespace

void endBySignal(int signalNumber)
{
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signalNumber, &fallback, nullptr);
    // Inside its own handler the signal is blocked; it must arrive now.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signalNumber);
}

void catchEndingSignals(void (*handler)(int), sigset_t& caught)
{
    sigemptyset(&caught);
    for (const int s : kEndingSignals) {
        if (atDefaultAction(s)) {
            sigaddset(&caught, s);
        }
    }
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) {
        if (atDefaultAction(s)) {
            sigaddset(&caught, s);
        }
    }
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_mask = caught;
    // Where the handler returns, interrupted system calls carry on.
    action.sa_flags = SA_RESTART;
    for (int s = 1; s <= SIGRTMAX; ++s) {
        if (sigismember(&caught, s) == 1) {
            sigaction(s, &action, nullptr);
        }
    }
}
