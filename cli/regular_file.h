#pragma once

#include "program_shell.h"

#include <sys/stat.h>

#include <cstddef>
#include <string>

// A regular file read whole: its content and what it was when read.
struct RegularFile {
    std::string text;
    struct stat found = {}; // its identity, size, times, owner and mode as read
};

enum class ReadResult { Read, Missing, Failed };

// Reads the regular file at `path` (links followed) into `file`, if it holds
// at most `mostBytes`. A pipe, a device, a socket or a folder is refused
// before anything is read from it, and opening it waits for nothing. Missing
// where there is no file; Failed with `failure` ("cannot read 'PATH': WHY",
// the status of the error) otherwise.
ReadResult readRegularFile(const std::string& path, std::size_t mostBytes, RegularFile& file, Failure& failure);

// Whether the file at `path` is still the one read, unchanged: the same file,
// with the same size, modification time and content.
bool unchangedSinceRead(const std::string& path, const RegularFile& read);

// "cannot read 'PATH': REASON", with the path shown printable.
std::string cannotRead(const std::string& path, const std::string& reason);
