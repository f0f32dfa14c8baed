#include "system_library_path.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(SystemLibraryPath, JoinsOnlyAFolderThatWasReadWholeAndAPathThatFits)
{
    struct Row {
        const char* folder;
        unsigned long reported; // what GetSystemDirectoryA returned for a 32-byte buffer
        const char* name;
        std::size_t pathCapacity;
        const char* path; // null: refused
    };
    const Row rows[] = {
        {"C:\\WINDOWS\\SYSTEM", 17, "PASSWORD.CPL", 64, "C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL"},
        {"C:\\", 3, "MPR.DLL", 64, "C:\\MPR.DLL"},
        {"C:\\WINDOWS\\SYSTEM", 17, "MPR.DLL", 26, "C:\\WINDOWS\\SYSTEM\\MPR.DLL"}, // 25 characters fit in 26
        {"C:\\WINDOWS\\SYSTEM", 17, "MPR.DLL", 25, nullptr},
        {"C:\\WINDOWS\\SYSTEM", 0, "MPR.DLL", 64, nullptr},  // the query failed
        {"C:\\WINDOWS\\SYSTEM", 40, "MPR.DLL", 64, nullptr}, // too small: the size it needs
        {"C:\\WINDOWS\\SYSTEM", 32, "MPR.DLL", 64, nullptr},
        {"C:\\WINDOWS\\SYSTEM", 16, "MPR.DLL", 64, nullptr}, // a length the text disagrees with
        {"C:\\WINDOWS\\SYSTEM", 18, "MPR.DLL", 64, nullptr},
        {"C:\\WINDOWS\\SYSTEM", 17, "", 64, nullptr},
    };
    for (const Row& row : rows) {
        char folder[32] = {};
        std::strncpy(folder, row.folder, sizeof folder - 1);
        char path[64] = "stale";
        const bool joined = systemLibraryPath(folder, row.reported, sizeof folder, row.name, path, row.pathCapacity);
        EXPECT_EQ(joined, row.path != nullptr) << row.folder << " " << row.reported << " " << row.pathCapacity;
        EXPECT_STREQ(path, row.path != nullptr ? row.path : "") << row.folder << " " << row.reported;
    }
    EXPECT_FALSE(systemLibraryPath("C:\\", 3, 4, "MPR.DLL", nullptr, 0));
}
