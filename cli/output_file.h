#pragma once

#include "program_shell.h"

#include <cstdio>
#include <string>

// An output that appears whole or not at all, and never touches a file that
// was there before until its new content is complete.
//
// Its content goes to a file without a name (O_TMPFILE) in the target's
// folder, which is linked in as the target once complete: straight to the
// target's name where there was no file, else to a temporary name that a
// rename then puts in place of the target. Until then nothing shows in the
// folder, so no ending of the process, not even SIGKILL or a power cut, can
// leave a stray file. Where the file system has no unnamed files (or /proc is
// missing, through which the file is linked), the content goes to a named
// temporary file, .PROGRAM-XXXXXX beside the target, instead; every
// signal that ends the process and can be caught removes it before the
// process ends by that signal (catchEndingSignals), and so does the
// destructor unless the output was committed.
//
// A target that is there must be a regular file: a folder, a device (such as
// /dev/full or /dev/stdout), a pipe or a socket is refused as bad input, and
// never opened, so that nothing waits on it.
class OutputFile {
public:
    // What a symbolic link at the target means.
    enum class AtLink {
        WriteThrough, // the file it names gets the content, also where the link dangles
        Replace,      // the link itself gives way to the file; what it names is never touched
    };

    // `newFileMode`: the permissions a target that does not exist yet gets,
    // where not those of a newly created file (-1); a target that exists
    // keeps its own.
    explicit OutputFile(std::string path = std::string(), int newFileMode = -1,
                        AtLink atLink = AtLink::WriteThrough);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& path() const { return path_; }
    // Whether a path was given at all: an empty one names no output.
    bool wanted() const { return !path_.empty(); }

    // Checks, without opening it, that the target can be replaced: it is
    // absent or a regular file the user may write, and its path can be
    // searched and does not loop. Fails with the status of the error and a
    // line naming the target.
    bool check(Failure& failure);

    // Checks the target and opens the file the content goes to, which also
    // proves the folder writable, so that everything a run will write is
    // checked before any time is spent.
    bool open(Failure& failure);

    // The stream to write the content to, once open.
    std::FILE* file() const { return file_; }

    // Flushes the content to disk and puts it in place of the target; a
    // failure here is the machine's (kExitFailure).
    bool commit(Failure& failure);

    // Drops whatever was written; the target stays as it was.
    void abandon();

private:
    bool openNamedTemporary(const std::string& folder, unsigned mode, Failure& failure);
    bool putInPlace(int& reason);

    std::string path_;
    std::string destination_; // the target, with symbolic links followed where they are written through
    bool replacing_ = false;  // a file (or, with AtLink::Replace, a link) is there to be replaced
    bool unnamed_ = false;    // the content is in an O_TMPFILE file
    unsigned mode_ = 0;       // the permissions the content gets
    int newFileMode_;
    AtLink atLink_;
    int slot_ = -1;           // the named temporary file's, in the cleanup list
    std::FILE* file_ = nullptr;
};

// The file a path names once relative parts and symbolic links are resolved,
// also where the file does not exist yet; never throws for a bad path.
std::string resolvedOutputPath(const std::string& path);

// Whether two output paths name one file: the same file where both exist
// (hard links included), otherwise the same resolved path.
bool sameOutput(const std::string& a, const std::string& b);

// "cannot write 'PATH': REASON", with the path shown printable.
std::string cannotWrite(const std::string& path, const std::string& reason);

// The same for a failed system call, with the status its error calls for
// (exitStatusForError).
Failure cannotWriteFailure(const std::string& path, int error);
