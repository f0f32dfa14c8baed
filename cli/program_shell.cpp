#include "program_shell.h"

#include "cindral_version.h"
#include "printable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <system_error>

namespace {

const char* gProgramName = "cindral";

// Standard output was closed when the program started: /dev/null stands in
// for it, and what is asked for there is reported as not written.
bool gStdoutWasClosed = false;

// Gives each of descriptors 0-2 that is closed /dev/null, which open() puts
// on the lowest free number: otherwise the first file the run opens would
// take the number, and a message for stderr would land in it.
void openClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        gStdoutWasClosed = gStdoutWasClosed || fd == STDOUT_FILENO;
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) {
            close(opened);
        }
    }
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

int printOnStdout(std::string_view text, std::string_view done)
{
    errno = gStdoutWasClosed ? EBADF : 0;
    const bool written = !gStdoutWasClosed && std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fflush(stdout) == 0;
    if (!written) {
        std::string message = std::string("cannot write standard output: ") + std::strerror(errno != 0 ? errno : EIO);
        if (!done.empty()) {
            message += "; " + std::string(done);
        }
        return failWith(kExitFailure, message);
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

int runProgram(const char* name, const char* usage, bool watchesStopSignals,
               const std::function<ReadOutcome(std::string& error)>& read, const std::function<int()>& run)
{
    openClosedStandardDescriptors();
    // Next, so that a screen saver daemon that stops the program at once
    // still has it tidy up.
    takeSignals(watchesStopSignals);
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
    if (stopSignal() != 0) {
        // Dying by a signal skips the flush that returning from main does.
        std::fflush(nullptr);
        endBySignal(stopSignal());
    }
    return status;
}
