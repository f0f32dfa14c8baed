#pragma once

#include "program_shell.h"
#include "signals.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

// An output that appears whole or not at all, and never touches a file that
// was there before until its new content is complete.
//
// Its content goes to a file without a name (O_TMPFILE) in the target's
// folder, which is linked in as the target once complete: straight to the
// target's name where there was no file, else to a temporary name,
// .PROGRAM-PID-N, that a rename then puts in place of the target. Where the
// file system has no unnamed files (or /proc is missing, through which the
// file is linked), the content goes to a named temporary file,
// .PROGRAM-PID-XXXXXX beside the target, instead; every signal that ends the
// process and can be caught removes it before the process ends by that
// signal (signals.h), and so does the destructor unless the output was
// committed. No file system replaces a file in one step without a name for
// the new content, so SIGKILL or a power cut at the wrong moment can leave
// such a temporary file; each program removes those of its own that belong
// to a process no longer running from a folder before it first writes there.
//
// A target that is there must be a regular file: a folder, a device (such as
// /dev/full or /dev/stdout), a pipe or a socket is refused as bad input, and
// never opened, so that nothing waits on it. It keeps its mode, and, where
// the user may give it (as root), its owner and group.
class OutputFile {
public:
    // What a symbolic link at the target means.
    enum class AtLink {
        WriteThrough, // the file it names gets the content, also where the link dangles
        Replace,      // the link itself gives way to the file; what it names is never touched
    };

    explicit OutputFile(std::string path = std::string(), AtLink atLink = AtLink::WriteThrough);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& path() const { return path_; }
    // Whether a path was given at all: an empty one names no output.
    bool wanted() const { return !path_.empty(); }

    // The content gets the mode, owner and group of `like` (the owner and
    // group as far as the user may give them), whatever is at the target;
    // called before open().
    void takeAttributesOf(const struct stat& like);

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

    // Flushes the content to disk; a failure here is the machine's
    // (kExitFailure), and the output is abandoned.
    bool flush(Failure& failure);

    // Flushes the content, where flush() has not, and puts it in place of
    // the target; a failure here is the machine's.
    bool commit(Failure& failure);

    // Drops whatever was written; the target stays as it was.
    void abandon();

private:
    bool openNamedTemporary(const std::string& folder, Failure& failure);
    bool adopt(int fd, Failure& failure);
    bool putInPlace(int& reason);
    bool fail(Failure& failure, int reason);

    std::string path_;
    std::string destination_; // the target, with symbolic links followed where they are written through
    bool replacing_ = false;  // a file (or, with AtLink::Replace, a link) is there to be replaced
    bool unnamed_ = false;    // the content is in an O_TMPFILE file
    bool flushed_ = false;    // by flush(), so that commit() need not again
    bool ownerKept_ = false;  // the content takes the owner of the file it replaces
    struct stat like_ = {};   // the attributes the content gets
    bool likeGiven_ = false;  // by takeAttributesOf, else from the target or a new file's
    AtLink atLink_;
    OnSignalRemove named_;    // the named temporary file, on the list a signal removes
    std::FILE* file_ = nullptr;
};

// The file a path names once relative parts and symbolic links are resolved,
// also where the file does not exist yet; never throws for a bad path.
std::string resolvedOutputPath(const std::string& path);

// Where a path leads, however it is spelt: the deepest folder or file on its
// resolved path that exists, by its identity (so that hard links and bind
// mounts meet), and the names below it that do not exist yet.
struct OutputPlace {
    dev_t device = 0;
    ino_t inode = 0;
    std::string rest; // "" where the path itself exists; "a/b" below the one that does
    bool operator==(const OutputPlace& other) const
    {
        return device == other.device && inode == other.inode && rest == other.rest;
    }
    // Whether `inner` lies below this place.
    bool holds(const OutputPlace& inner) const;
};
OutputPlace placeOf(const std::string& path);

// Whether two output paths name one file.
bool sameOutput(const std::string& a, const std::string& b);

// "cannot write 'PATH': REASON", with the path shown printable.
std::string cannotWrite(const std::string& path, const std::string& reason);

// The same for a failed system call, with the status its error calls for
// (exitStatusForError).
Failure cannotWriteFailure(const std::string& path, int error);
