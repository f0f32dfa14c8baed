#include "regular_file.h"

#include "printable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string cannotRead(const std::string& path, const std::string& reason)
{
    return "cannot read '" + printable(path) + "': " + reason;
}

ReadResult readRegularFile(const std::string& path, std::size_t mostBytes, RegularFile& file, Failure& failure)
{
    const auto failed = [&](int error, std::string why = std::string()) {
        failure = {why.empty() ? exitStatusForError(error) : kExitBadInput,
                   cannotRead(path, why.empty() ? std::strerror(error) : why)};
        return ReadResult::Failed;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::Missing : failed(errno);
    }
    ReadResult result = ReadResult::Read;
    if (fstat(fd, &file.found) != 0) {
        result = failed(errno);
    } else if (S_ISDIR(file.found.st_mode)) {
        result = failed(EISDIR);
    } else if (!S_ISREG(file.found.st_mode)) {
        result = failed(0, "not a regular file");
    }
    file.text.clear();
    char buffer[65536];
    while (result == ReadResult::Read) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno != EINTR) {
            result = failed(errno);
        } else if (got == 0) {
            break;
        } else if (got > 0) {
            file.text.append(buffer, static_cast<std::size_t>(got));
        }
        if (file.text.size() > mostBytes) {
            result = failed(0, "it holds more than " +
                                   (mostBytes % (1 << 20) == 0 ? std::to_string(mostBytes >> 20) + " MiB"
                                                               : std::to_string(mostBytes) + " bytes") +
                                   ", far more than any file of its kind");
        }
    }
    close(fd);
    return result;
}

bool unchangedSinceRead(const std::string& path, const RegularFile& read)
{
    RegularFile now;
    Failure ignored;
    if (readRegularFile(path, read.text.size(), now, ignored) != ReadResult::Read) {
        return false;
    }
    const struct stat& a = read.found;
    const struct stat& b = now.found;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && now.text == read.text;
}
