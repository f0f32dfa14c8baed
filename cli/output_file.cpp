#include "output_file.h"

#include "printable.h"
#include "signal_end.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The named temporary files that a signal must remove, in storage a signal
// handler may read. Only the thread that installed the handler changes the
// list, and it holds the ending signals back meanwhile (SignalsHeld), so the
// handler, which runs on that thread, never sees a file without its entry or
// an entry half made.
constexpr int kSlots = 8;
char gTemporaryPaths[kSlots][PATH_MAX];
volatile std::sig_atomic_t gSlotInUse[kSlots];
sigset_t gEndingSignals;
pid_t gCleanupThread = 0;

void onEndingSignal(int signalNumber)
{
    // Mesa's own threads block every signal, so one sent to the process
    // comes here; should another library's thread be handed it, it passes
    // it on to the thread that keeps the list, which handles it once it no
    // longer holds it back.
    if (gettid() != gCleanupThread) {
        const int saved = errno;
        tgkill(getpid(), gCleanupThread, signalNumber);
        errno = saved;
        return;
    }
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotInUse[i] != 0) {
            unlink(gTemporaryPaths[i]);
        }
    }
    endBySignal(signalNumber);
}

void installCleanup()
{
    if (gCleanupThread == 0) {
        gCleanupThread = gettid();
        catchEndingSignals(onEndingSignal, gEndingSignals);
    }
}

// Holds the ending signals back on this thread while a named temporary file
// and its entry in the list change together.
class SignalsHeld {
public:
    SignalsHeld() { pthread_sigmask(SIG_BLOCK, &gEndingSignals, &previous_); }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

int takeSlot()
{
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotInUse[i] == 0) {
            return i;
        }
    }
    return -1;
}

// The file a path finally names, with every symbolic link along it followed,
// also a dangling one: writing through a link writes where it points, and a
// rename must replace that file, not the link. A loop is left for the
// caller's stat to report.
std::string followLinks(const std::string& path)
{
    fs::path current = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(current, ec); ++hops) {
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) {
            break;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.string();
}

std::string folderOf(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

mode_t modeOfNewFiles()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Gives the unnamed file open as `fd` the name `name`, through /proc, which
// needs no privilege (linkat's AT_EMPTY_PATH would).
bool linkUnnamed(int fd, const std::string& name)
{
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

std::string resolvedOutputPath(const std::string& path)
{
    // Made absolute first: weakly_canonical leaves a relative path of which
    // nothing exists yet as it is, so "x" and "./x" would differ.
    std::error_code ec;
    const fs::path absolute = fs::absolute(followLinks(path), ec);
    fs::path resolved = fs::weakly_canonical(absolute, ec);
    if (ec) {
        resolved = absolute.lexically_normal();
    }
    // "fr/" names the folder "fr".
    if (resolved.has_relative_path() && resolved.filename().empty()) {
        resolved = resolved.parent_path();
    }
    return resolved.string();
}

bool sameOutput(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec) {
        return true;
    }
    return resolvedOutputPath(a) == resolvedOutputPath(b);
}

std::string cannotWrite(const std::string& path, const std::string& reason)
{
    return "cannot write '" + printable(path) + "': " + reason;
}

Failure cannotWriteFailure(const std::string& path, int error)
{
    return {exitStatusForError(error), cannotWrite(path, std::strerror(error))};
}

OutputFile::OutputFile(std::string path, int newFileMode, AtLink atLink)
    : path_(std::move(path)), newFileMode_(newFileMode), atLink_(atLink)
{
}

OutputFile::~OutputFile()
{
    abandon();
}

bool OutputFile::check(Failure& failure)
{
    const auto fail = [&](int error) {
        failure = cannotWriteFailure(path_, error);
        return false;
    };
    // Where links are written through, stat has the kernel follow them,
    // /proc's links to pipes and terminals (/dev/stdout) included, which name
    // no path to follow. Only the file's type is looked at: nothing is
    // opened, so a pipe without a reader holds nothing up.
    const bool replaceLink = atLink_ == AtLink::Replace;
    struct stat existing;
    replacing_ = (replaceLink ? lstat(path_.c_str(), &existing) : stat(path_.c_str(), &existing)) == 0;
    if (!replacing_ && errno != ENOENT) {
        return fail(errno);
    }
    const bool isLink = replacing_ && S_ISLNK(existing.st_mode);
    if (replacing_ && S_ISDIR(existing.st_mode)) {
        return fail(EISDIR);
    }
    if (replacing_ && !S_ISREG(existing.st_mode) && !isLink) {
        failure = {kExitBadInput, cannotWrite(path_, "not a regular file")};
        return false;
    }
    destination_ = replaceLink ? path_ : followLinks(path_);
    // The rename would replace a file even where the file itself refuses
    // writing; its own permission is honoured as an in-place write would.
    if (replacing_ && !isLink && access(destination_.c_str(), W_OK) != 0) {
        return fail(errno);
    }
    // The mode the target has, or the one asked for a new file, or that a
    // newly created file would have.
    mode_ = replacing_ && !isLink ? existing.st_mode & 07777
            : newFileMode_ >= 0   ? static_cast<mode_t>(newFileMode_)
                                  : modeOfNewFiles();
    return true;
}

bool OutputFile::open(Failure& failure)
{
    installCleanup();
    if (!check(failure)) {
        return false;
    }
    const std::string folder = folderOf(destination_);
    if (access("/proc/self/fd", X_OK) != 0) {
        return openNamedTemporary(folder, mode_, failure);
    }
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_);
    if (fd < 0) {
        // No unnamed files on this file system (EOPNOTSUPP), or in this
        // kernel, which then takes the flag for O_DIRECTORY (EISDIR).
        if (errno == EOPNOTSUPP || errno == EISDIR) {
            return openNamedTemporary(folder, mode_, failure);
        }
        failure = cannotWriteFailure(path_, errno);
        return false;
    }
    fchmod(fd, mode_); // the umask was taken off an existing target's mode
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        failure = cannotWriteFailure(path_, errno);
        close(fd);
        return false;
    }
    unnamed_ = true;
    return true;
}

bool OutputFile::openNamedTemporary(const std::string& folder, unsigned mode, Failure& failure)
{
    const std::string pattern = folder + "/." + programName() + "-XXXXXX";
    SignalsHeld held;
    slot_ = takeSlot();
    int error = slot_ < 0 ? EMFILE : pattern.size() >= PATH_MAX ? ENAMETOOLONG : 0;
    int fd = -1;
    if (error == 0) {
        std::memcpy(gTemporaryPaths[slot_], pattern.c_str(), pattern.size() + 1);
        fd = mkostemp(gTemporaryPaths[slot_], O_CLOEXEC);
        error = fd < 0 ? errno : 0;
    }
    if (error != 0) {
        slot_ = -1;
        failure = cannotWriteFailure(path_, error);
        return false;
    }
    gSlotInUse[slot_] = 1;
    // mkstemp makes the file private.
    fchmod(fd, mode);
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        error = errno;
        close(fd);
        abandon();
        failure = cannotWriteFailure(path_, error);
        return false;
    }
    return true;
}

bool OutputFile::commit(Failure& failure)
{
    // An earlier failed write may have left nothing to flush, so the error
    // flag is asked first; fsync puts the content on disk before it is given
    // the target's name.
    bool written = std::ferror(file_) == 0 && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    int reason = errno;
    if (written) {
        written = putInPlace(reason);
    }
    if (std::fclose(file_) != 0 && written) {
        written = false;
        reason = errno;
    }
    file_ = nullptr;
    if (!written) {
        failure = {kExitFailure, cannotWrite(path_, std::strerror(reason != 0 ? reason : EIO))};
        abandon();
        return false;
    }
    return true;
}

bool OutputFile::putInPlace(int& reason)
{
    SignalsHeld held;
    if (!unnamed_) {
        if (std::rename(gTemporaryPaths[slot_], destination_.c_str()) != 0) {
            reason = errno;
            return false;
        }
        gSlotInUse[slot_] = 0;
        slot_ = -1;
        return true;
    }
    const int fd = fileno(file_);
    if (!replacing_ && linkUnnamed(fd, destination_)) {
        return true;
    }
    if (!replacing_ && errno != EEXIST) {
        reason = errno;
        return false;
    }
    // A file is there (or came meanwhile): link to a name of its own, which
    // a rename then puts in place of the target in one step. The signals held
    // back meanwhile cannot end the process between the two.
    const std::string stem = folderOf(destination_) + "/." + programName() + "-" + std::to_string(getpid()) + "-";
    std::string temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = stem + std::to_string(attempt);
        if (linkUnnamed(fd, temporary)) {
            break;
        }
        if (errno != EEXIST || attempt == 100) {
            reason = errno;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), destination_.c_str()) != 0) {
        reason = errno;
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void OutputFile::abandon()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (slot_ >= 0) {
        SignalsHeld held;
        unlink(gTemporaryPaths[slot_]);
        gSlotInUse[slot_] = 0;
        slot_ = -1;
    }
    unnamed_ = false;
}
