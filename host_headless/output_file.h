#pragma once

#include <cstdio>
#include <string>

// An output that appears whole or not at all. Its content goes to a temporary
// file in the target's folder, which replaces the target by a rename only
// once it is complete, so a run that fails or is interrupted never leaves a
// half-written file and never touches a file that was there before. A target
// that is not a regular file (a device such as /dev/full or /dev/stdout, a
// pipe) cannot be replaced and is written in place.
//
// The temporary file of every open OutputFile is removed on SIGINT, SIGTERM
// and SIGHUP (see installInterruptCleanup), and by the destructor unless the
// output was committed.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& path() const { return path_; }
    // Whether a path was given at all: an empty one names no output.
    bool wanted() const { return !path_.empty(); }

    // Makes the temporary file, or opens a non-regular target in place. Fails,
    // with a one-line reason naming the target in `error`, where the folder
    // cannot be written or an existing target is not writable, so that
    // everything a run will write is checked before any time is spent.
    bool open(std::string& error);

    // The stream to write the content to, once open.
    std::FILE* file() const { return file_; }

    // Flushes and closes the content and puts it in place of the target.
    bool commit(std::string& error);

private:
    void discard();

    std::string path_;
    std::string destination_; // the target with symbolic links followed
    std::string temporary_;   // empty when written in place
    int slot_ = -1;           // in the interrupt cleanup's list
    std::FILE* file_ = nullptr;
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of all open
// OutputFiles and then end the process by that same signal. Call once, before
// the first OutputFile is opened.
void installInterruptCleanup();

// The file a path names once relative parts and symbolic links are resolved,
// also where the file does not exist yet.
std::string resolvedOutputPath(const std::string& path);

// Whether two output paths name one file: the same file where both exist
// (hard links included), otherwise the same resolved path.
bool sameOutput(const std::string& a, const std::string& b);

// "cannot write 'PATH': REASON", with the path shown printable.
std::string cannotWrite(const std::string& path, const std::string& reason);
