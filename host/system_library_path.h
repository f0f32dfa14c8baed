#pragma once

#include <cstddef>

// Builds the full path of a library in the system folder, so that loading it
// never searches the program's folder or the current directory, where a
// planted file of the same name would run with the user's rights.
//
// `directory` and `reportedLength` are what GetSystemDirectoryA gave for a
// buffer of `directoryCapacity` bytes: 0 on failure, the size it would need
// (terminator included) when the buffer was too small, otherwise the folder's
// length without the terminator. Returns false, and leaves `path` empty when
// it has room, if the folder is unknown or the joined path does not fit into
// `pathCapacity` bytes.
bool systemLibraryPath(const char* directory, unsigned long reportedLength, std::size_t directoryCapacity,
                       const char* fileName, char* path, std::size_t pathCapacity);
