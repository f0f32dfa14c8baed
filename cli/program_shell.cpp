#include "program_shell.h"

#include "printable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <system_error>

namespace {

const char* gProgramName = "cindral";

} // namespace

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
