#include "output_file.h"

#include "printable.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

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

// The start of this program's temporary names in `folder`: the process's
// number follows it, then a dash.
std::string temporaryStem(const std::string& folder)
{
    return folder + "/." + programName() + "-";
}

// The process whose temporary file `name` is, where the name is of this
// program's kind ".PROGRAM-PID-..."; 0 otherwise.
pid_t ownerOfTemporary(const char* name)
{
    const std::string stem = std::string(".") + programName() + "-";
    if (std::strncmp(name, stem.c_str(), stem.size()) != 0) {
        return 0;
    }
    const char* digits = name + stem.size();
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(digits, &end, 10);
    const bool number = end != digits && *end == '-' && std::isdigit(static_cast<unsigned char>(*digits));
    return number && errno == 0 && pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Removes from `folder` the temporary files of this program that a process
// no longer running left behind (killed between naming its file and putting
// it in place), once per folder in a run.
void clearStaleTemporaries(const std::string& folder)
{
    // By identity and name, as a folder removed may give its number to a new one.
    static std::vector<std::pair<std::pair<dev_t, ino_t>, std::string>> cleared;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat found;
    if (fd < 0 || fstat(fd, &found) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    const std::pair<std::pair<dev_t, ino_t>, std::string> identity{{found.st_dev, found.st_ino}, folder};
    for (const auto& done : cleared) {
        if (done == identity) {
            close(fd);
            return;
        }
    }
    cleared.push_back(identity);
    DIR* entries = fdopendir(fd);
    if (entries == nullptr) {
        close(fd);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const pid_t owner = ownerOfTemporary(entry->d_name);
        struct stat file;
        if (owner != 0 && owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH &&
            fstatat(fd, entry->d_name, &file, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(file.st_mode)) {
            unlinkat(fd, entry->d_name, 0);
        }
    }
    closedir(entries);
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

OutputPlace placeOf(const std::string& path)
{
    fs::path at = resolvedOutputPath(path);
    std::string rest;
    for (;;) {
        struct stat found;
        if (stat(at.c_str(), &found) == 0) {
            return {found.st_dev, found.st_ino, rest};
        }
        if (!at.has_relative_path()) {
            return {0, 0, resolvedOutputPath(path)};
        }
        rest = at.filename().string() + (rest.empty() ? "" : "/" + rest);
        at = at.parent_path();
    }
}

bool OutputPlace::holds(const OutputPlace& inner) const
{
    return device == inner.device && inode == inner.inode && inner.rest.size() > rest.size() &&
           (rest.empty() || (inner.rest.compare(0, rest.size(), rest) == 0 && inner.rest[rest.size()] == '/'));
}

bool sameOutput(const std::string& a, const std::string& b)
{
    return placeOf(a) == placeOf(b);
}

std::string cannotWrite(const std::string& path, const std::string& reason)
{
    return "cannot write '" + printable(path) + "': " + reason;
}

Failure cannotWriteFailure(const std::string& path, int error)
{
    return {exitStatusForError(error), cannotWrite(path, std::strerror(error))};
}

OutputFile::OutputFile(std::string path, AtLink atLink) : path_(std::move(path)), atLink_(atLink) {}

OutputFile::~OutputFile()
{
    abandon();
}

void OutputFile::takeAttributesOf(const struct stat& like)
{
    like_ = like;
    likeGiven_ = true;
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
    struct stat existing = {};
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
    // The attributes given, or the target's, or a new file's.
    if (!likeGiven_) {
        ownerKept_ = replacing_ && !isLink;
        like_ = existing;
        if (!ownerKept_) {
            like_.st_mode = modeOfNewFiles();
        }
    }
    return true;
}

bool OutputFile::open(Failure& failure)
{
    if (!check(failure)) {
        return false;
    }
    const std::string folder = folderOf(destination_);
    clearStaleTemporaries(folder);
    if (access("/proc/self/fd", X_OK) != 0) {
        return openNamedTemporary(folder, failure);
    }
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No unnamed files on this file system (EOPNOTSUPP), or in this
        // kernel, which then takes the flag for O_DIRECTORY (EISDIR).
        if (errno == EOPNOTSUPP || errno == EISDIR) {
            return openNamedTemporary(folder, failure);
        }
        return fail(failure, errno);
    }
    unnamed_ = true;
    return adopt(fd, failure);
}

bool OutputFile::openNamedTemporary(const std::string& folder, Failure& failure)
{
    SignalsHeld held;
    int fd = -1;
    if (named_.take(temporaryStem(folder) + std::to_string(getpid()) + "-XXXXXX")) {
        fd = mkostemp(named_.path(), O_CLOEXEC);
    }
    if (fd < 0) {
        const int error = errno;
        named_.release();
        return fail(failure, error);
    }
    return adopt(fd, failure);
}

// Gives the file open as `fd` the attributes its content is to have (the
// owner first, as a change of owner clears the set-id bits) and takes it as
// the stream to write to.
bool OutputFile::adopt(int fd, Failure& failure)
{
    if ((likeGiven_ || ownerKept_) && (like_.st_uid != geteuid() || like_.st_gid != getegid())) {
        // Refused to a user who may not give the file away; it is then theirs.
        if (fchown(fd, like_.st_uid, like_.st_gid) != 0) {
            const int ignored = fchown(fd, static_cast<uid_t>(-1), like_.st_gid);
            (void)ignored;
        }
    }
    fchmod(fd, like_.st_mode & 07777);
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int error = errno;
        close(fd);
        return fail(failure, error);
    }
    return true;
}

bool OutputFile::fail(Failure& failure, int reason)
{
    failure = cannotWriteFailure(path_, reason);
    abandon();
    return false;
}

bool OutputFile::flush(Failure& failure)
{
    // An earlier failed write may have left nothing to flush, so the error
    // flag is asked first; fsync puts the content on disk before it is given
    // the target's name.
    if (!flushed_ && !(std::ferror(file_) == 0 && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0)) {
        const int reason = errno != 0 ? errno : EIO;
        fail(failure, reason);
        failure.status = kExitFailure;
        return false;
    }
    flushed_ = true;
    return true;
}

bool OutputFile::commit(Failure& failure)
{
    if (!flush(failure)) {
        return false;
    }
    int reason = 0;
    bool written = putInPlace(reason);
    if (std::fclose(file_) != 0 && written) {
        written = false;
        reason = errno;
    }
    file_ = nullptr;
    if (!written) {
        fail(failure, reason != 0 ? reason : EIO);
        failure.status = kExitFailure;
        return false;
    }
    return true;
}

bool OutputFile::putInPlace(int& reason)
{
    SignalsHeld held;
    if (!unnamed_) {
        if (std::rename(named_.path(), destination_.c_str()) != 0) {
            reason = errno;
            return false;
        }
        named_.release();
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
    const std::string stem = temporaryStem(folderOf(destination_)) + std::to_string(getpid()) + "-";
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
    if (named_.listed()) {
        SignalsHeld held;
        unlink(named_.path());
        named_.release();
    }
    unnamed_ = false;
    flushed_ = false;
}
