#include "system_library_path.h"

#include <cstring>

bool systemLibraryPath(const char* directory, unsigned long reportedLength, std::size_t directoryCapacity,
                       const char* fileName, char* path, std::size_t pathCapacity)
{
    if (path != nullptr && pathCapacity > 0) {
        path[0] = '\0';
    }
    if (directory == nullptr || fileName == nullptr || path == nullptr || reportedLength == 0 ||
        reportedLength >= directoryCapacity) {
        return false;
    }
    // Trust the length only where the text agrees with it: a terminator must
    // stand right after the reported characters and nowhere before.
    const std::size_t length = reportedLength;
    if (std::memchr(directory, '\0', length) != nullptr || directory[length] != '\0') {
        return false;
    }
    const bool hasSeparator = directory[length - 1] == '\\' || directory[length - 1] == '/';
    const std::size_t nameLength = std::strlen(fileName);
    const std::size_t total = length + (hasSeparator ? 0 : 1) + nameLength;
    if (nameLength == 0 || total >= pathCapacity) {
        return false;
    }
    std::memcpy(path, directory, length);
    std::size_t at = length;
    if (!hasSeparator) {
        path[at++] = '\\';
    }
    std::memcpy(path + at, fileName, nameLength + 1);
    return true;
}
