#include "system_library_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// What GetSystemDirectoryA would report for `text` in a buffer of `capacity`.
struct Reported {
    char directory[32];
    unsigned long length;
};

Reported reported(const char* text)
{
    Reported r{};
    std::strncpy(r.directory, text, sizeof r.directory - 1);
    r.length = static_cast<unsigned long>(std::strlen(r.directory));
    return r;
}

} // namespace

TEST(SystemLibraryPath, JoinsFolderAndNameWithOneBackslash)
{
    char path[64];
    Reported r = reported("C:\\WINDOWS\\SYSTEM");
    ASSERT_TRUE(systemLibraryPath(r.directory, r.length, sizeof r.directory, "PASSWORD.CPL", path, sizeof path));
    EXPECT_STREQ(path, "C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL");

    r = reported("C:\\");
    ASSERT_TRUE(systemLibraryPath(r.directory, r.length, sizeof r.directory, "MPR.DLL", path, sizeof path));
    EXPECT_STREQ(path, "C:\\MPR.DLL");
}

TEST(SystemLibraryPath, RefusesAFailedOrTruncatedFolderQuery)
{
    char path[64] = "stale";
    Reported r = reported("C:\\WINDOWS\\SYSTEM32");
    // The query failed.
    EXPECT_FALSE(systemLibraryPath(r.directory, 0, sizeof r.directory, "MPR.DLL", path, sizeof path));
    EXPECT_STREQ(path, "");
    // The buffer was too small: the result is the size needed, terminator included.
    EXPECT_FALSE(systemLibraryPath(r.directory, 40, sizeof r.directory, "MPR.DLL", path, sizeof path));
    EXPECT_FALSE(systemLibraryPath(r.directory, sizeof r.directory, sizeof r.directory, "MPR.DLL", path,
                                   sizeof path));
    // A length that disagrees with the text.
    EXPECT_FALSE(systemLibraryPath(r.directory, r.length - 1, sizeof r.directory, "MPR.DLL", path, sizeof path));
    EXPECT_FALSE(systemLibraryPath(r.directory, r.length + 1, sizeof r.directory, "MPR.DLL", path, sizeof path));
}

TEST(SystemLibraryPath, RefusesAPathThatDoesNotFit)
{
    Reported r = reported("C:\\WINDOWS\\SYSTEM"); // 17 characters
    char path[64];
    // 17 + 1 + 7 = 25 characters need 26 bytes.
    EXPECT_TRUE(systemLibraryPath(r.directory, r.length, sizeof r.directory, "MPR.DLL", path, 26));
    EXPECT_FALSE(systemLibraryPath(r.directory, r.length, sizeof r.directory, "MPR.DLL", path, 25));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(systemLibraryPath(r.directory, r.length, sizeof r.directory, "", path, sizeof path));
    EXPECT_FALSE(systemLibraryPath(r.directory, r.length, sizeof r.directory, "MPR.DLL", nullptr, 0));
}
