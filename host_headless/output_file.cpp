#include "output_file.h"

#include "printable.h"
#include "signal_end.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The temporary files that an interrupt must remove, in storage a signal
// handler may read: a slot is marked in use before its file can exist and
// freed only after the file is gone or renamed.
constexpr int kSlots = 8;
char gTemporaryPaths[kSlots][PATH_MAX];
volatile std::sig_atomic_t gSlotInUse[kSlots];

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onInterrupt(int signalNumber)
{
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotInUse[i] != 0) {
            unlink(gTemporaryPaths[i]);
        }
    }
    endBySignal(signalNumber);
}

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
// rename must replace that file, not the link.
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

mode_t modeOfNewFiles()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string resolvedOutputPath(const std::string& path)
{
    // Made absolute first: weakly_canonical leaves a relative path of which
    // nothing exists yet as it is, so "x" and "./x" would differ.
    std::error_code ec;
    const fs::path absolute = fs::absolute(followLinks(path), ec);
    const fs::path resolved = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute.lexically_normal() : resolved).string();
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

void installInterruptCleanup()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int s : kInterruptSignals) {
        sigaddset(&action.sa_mask, s);
    }
    for (const int s : kInterruptSignals) {
        sigaction(s, &action, nullptr);
    }
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    discard();
}

bool OutputFile::open(std::string& error)
{
    destination_ = followLinks(path_);
    struct stat existing;
    const bool exists = stat(destination_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        file_ = std::fopen(destination_.c_str(), "wb");
        if (file_ == nullptr) {
            error = cannotWrite(path_, std::strerror(errno));
            return false;
        }
        return true;
    }
    // The rename would replace a file even where the file itself refuses
    // writing; its own permission is honoured as an in-place write would.
    if (exists && access(destination_.c_str(), W_OK) != 0) {
        error = cannotWrite(path_, std::strerror(errno));
        return false;
    }

    const fs::path folder = fs::path(destination_).parent_path();
    const std::string pattern = (folder.empty() ? fs::path(".") : folder).string() + "/.cindral-render-XXXXXX";
    slot_ = takeSlot();
    if (slot_ < 0 || pattern.size() >= PATH_MAX) {
        slot_ = -1;
        error = cannotWrite(path_, std::strerror(ENAMETOOLONG));
        return false;
    }
    std::memcpy(gTemporaryPaths[slot_], pattern.c_str(), pattern.size() + 1);
    gSlotInUse[slot_] = 1;
    const int fd = mkstemp(gTemporaryPaths[slot_]);
    if (fd < 0) {
        error = cannotWrite(path_, std::strerror(errno));
        gSlotInUse[slot_] = 0;
        slot_ = -1;
        return false;
    }
    temporary_ = gTemporaryPaths[slot_];
    // mkstemp makes the file private; give it the mode the target has, or
    // that a newly created file would have.
    fchmod(fd, exists ? existing.st_mode & 07777 : modeOfNewFiles());
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        error = cannotWrite(path_, std::strerror(errno));
        close(fd);
        discard();
        return false;
    }
    return true;
}

bool OutputFile::commit(std::string& error)
{
    // An earlier failed write may have left nothing to flush, so the error
    // flag is asked first; fsync puts the content on disk before the rename
    // makes it the target.
    bool written = std::ferror(file_) == 0 && std::fflush(file_) == 0;
    if (written && !temporary_.empty()) {
        written = fsync(fileno(file_)) == 0;
    }
    int reason = errno;
    if (std::fclose(file_) != 0 && written) {
        written = false;
        reason = errno;
    }
    file_ = nullptr;
    if (written && !temporary_.empty() && std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        written = false;
        reason = errno;
    }
    if (!written) {
        error = cannotWrite(path_, std::strerror(reason != 0 ? reason : EIO));
        discard();
        return false;
    }
    if (slot_ >= 0) {
        gSlotInUse[slot_] = 0;
        slot_ = -1;
    }
    temporary_.clear();
    return true;
}

void OutputFile::discard()
{
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
    if (slot_ >= 0) {
        gSlotInUse[slot_] = 0;
        slot_ = -1;
    }
}
