#include "signals.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The signals a process can be sent whose default action ends it, faults
// aside; the real-time ones are added at run time, as SIGRTMIN is not a
// constant.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2,
                                  SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};

// The list, in storage a signal handler may read. Only the thread that took
// the signals changes it, and it holds them back meanwhile (SignalsHeld), so
// the handler, which runs on that thread, never sees an entry half made.
constexpr int kSlots = 8;
struct Slot {
    char path[PATH_MAX];
    int folders; // 0: a file
};
Slot gSlots[kSlots];
volatile std::sig_atomic_t gSlotInUse[kSlots];

sigset_t gEndingSignals;
pid_t gListThread = 0;
volatile std::sig_atomic_t gStopSignal = 0;

bool atDefaultAction(int signalNumber)
{
    struct sigaction current = {};
    return sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_DFL;
}

void onStopSignal(int signalNumber)
{
    gStopSignal = signalNumber;
}

void removeListed()
{
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotInUse[i] != 0 && gSlots[i].folders == 0) {
            unlink(gSlots[i].path);
        }
    }
    // Folders last, as the files may be in them; each up to the first that
    // is not empty.
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotInUse[i] == 0 || gSlots[i].folders == 0) {
            continue;
        }
        char folder[PATH_MAX];
        std::memcpy(folder, gSlots[i].path, sizeof folder);
        for (int level = 0; level < gSlots[i].folders && rmdir(folder) == 0; ++level) {
            char* slash = std::strrchr(folder, '/');
            if (slash == nullptr) {
                break;
            }
            *slash = '\0';
        }
    }
}

void onEndingSignal(int signalNumber)
{
    // Mesa's own threads block every signal, so one sent to the process
    // comes here; should another library's thread be handed it, it passes
    // it on to the thread that keeps the list, which handles it once it no
    // longer holds it back.
    if (gettid() != gListThread) {
        const int saved = errno;
        tgkill(getpid(), gListThread, signalNumber);
        errno = saved;
        return;
    }
    removeListed();
    endBySignal(signalNumber);
}

void install(int signalNumber, void (*handler)(int), const sigset_t& mask, int flags)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_mask = mask;
    action.sa_flags = flags;
    sigaction(signalNumber, &action, nullptr);
}

} // namespace

void takeSignals(bool watchStopSignals)
{
    if (gListThread != 0) {
        return;
    }
    gListThread = gettid();
    if (atDefaultAction(SIGXFSZ)) {
        std::signal(SIGXFSZ, SIG_IGN);
    }
    sigset_t stop;
    sigemptyset(&stop);
    if (watchStopSignals) {
        for (const int s : {SIGINT, SIGTERM}) {
            if (atDefaultAction(s)) {
                sigaddset(&stop, s);
                // No SA_RESTART: a stop signal cuts a sleep short.
                install(s, onStopSignal, stop, 0);
            }
        }
    }
    sigemptyset(&gEndingSignals);
    for (const int s : kEndingSignals) {
        if (atDefaultAction(s)) {
            sigaddset(&gEndingSignals, s);
        }
    }
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) {
        if (atDefaultAction(s)) {
            sigaddset(&gEndingSignals, s);
        }
    }
    for (int s = 1; s <= SIGRTMAX; ++s) {
        if (sigismember(&gEndingSignals, s) == 1) {
            // Where the handler returns, interrupted system calls carry on.
            install(s, onEndingSignal, gEndingSignals, SA_RESTART);
        }
    }
}

int stopSignal()
{
    return gStopSignal;
}

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

SignalsHeld::SignalsHeld()
{
    pthread_sigmask(SIG_BLOCK, &gEndingSignals, &previous_);
}

SignalsHeld::~SignalsHeld()
{
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool OnSignalRemove::take(const std::string& path, int folders)
{
    release();
    SignalsHeld held;
    int free = 0;
    while (free < kSlots && gSlotInUse[free] != 0) {
        ++free;
    }
    if (free == kSlots || path.size() >= PATH_MAX) {
        errno = free == kSlots ? EMFILE : ENAMETOOLONG;
        return false;
    }
    std::memcpy(gSlots[free].path, path.c_str(), path.size() + 1);
    gSlots[free].folders = folders;
    gSlotInUse[free] = 1;
    slot_ = free;
    return true;
}

char* OnSignalRemove::path()
{
    return gSlots[slot_].path;
}

void OnSignalRemove::release()
{
    if (slot_ >= 0) {
        SignalsHeld held;
        gSlotInUse[slot_] = 0;
        slot_ = -1;
    }
}
