#include "program_shell.h"

#include "cindral_version.h"
#include "printable.h"
#include "signal_end.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <system_error>

namespace {

const char* gProgramName = "cindral";

volatile std::sig_atomic_t gStopSignal = 0;

void onStopSignal(int number)
{
    gStopSignal = number;
}

void watchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal cuts a sleep short.
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

const char* programName()
{
    return gProgramName;
}

int exitStatusForError(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:
    case ENAMETOOLONG:
    case EEXIST:
    case ENXIO:
    case ETXTBSY:
        return kExitBadInput;
    default:
        return kExitFailure;
    }
}

int failWith(int status, std::string_view message)
{
    std::fprintf(stderr, "%s: %s\n", gProgramName, printableMessage(message).c_str());
    return status;
}

int failWith(const Failure& failure)
{
    return failWith(failure.status, failure.message);
}

int printOnStdout(std::string_view text)
{
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
    if (!written) {
        return failWith(kExitFailure,
                        std::string("cannot write standard output: ") + std::strerror(errno != 0 ? errno : EIO));
    }
    return kExitSuccess;
}

int runProgram(const char* name, const std::function<int()>& body)
{
    gProgramName = name;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return failWith(kExitFailure, "out of memory");
    } catch (const std::system_error& e) {
        const bool fromErrno = e.code().category() == std::generic_category() ||
                               e.code().category() == std::system_category();
        return failWith(fromErrno ? exitStatusForError(e.code().value()) : kExitFailure, printable(e.what()));
    } catch (const std::exception& e) {
        return failWith(kExitFailure, printable(e.what()));
    } catch (...) {
        return failWith(kExitFailure, "failed for a reason it cannot name");
    }
}

int stopSignal()
{
    return gStopSignal;
}

int runProgram(const char* name, const char* usage, bool watchesStopSignals,
               const std::function<ReadOutcome(std::string& error)>& read, const std::function<int()>& run)
{
    // First of all, so that a screen saver daemon that stops the program at
    // once still has it tidy up.
    if (watchesStopSignals) {
        watchStopSignals();
    }
    // A write past the file size limit (ulimit -f) then fails with EFBIG and
    // is reported and tidied up as any failed write, rather than killing the
    // program with SIGXFSZ halfway.
    struct sigaction fileSize = {};
    if (sigaction(SIGXFSZ, nullptr, &fileSize) == 0 && fileSize.sa_handler == SIG_DFL) {
        std::signal(SIGXFSZ, SIG_IGN);
    }
    const int status = runProgram(name, [&] {
        std::string error;
        switch (read(error)) {
        case ReadOutcome::ShowHelp:
            return printOnStdout(usage);
        case ReadOutcome::ShowVersion:
            return printOnStdout(std::string(name) + " " + CINDRAL_VERSION + "\n");
        case ReadOutcome::Invalid:
            return failWith(kExitBadInput, error + " (see " + name + " --help)");
        case ReadOutcome::Run:
            break;
        }
        return run();
    });
    if (gStopSignal != 0) {
        // Dying by a signal skips the flush that returning from main does.
        std::fflush(nullptr);
        endBySignal(gStopSignal);
    }
    return status;
}
