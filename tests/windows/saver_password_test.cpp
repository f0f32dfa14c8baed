// The password check on the platform Wine reports by default, NT: the
// provider is never loaded, even when one is installed, unless the version
// query fails.
#include "saver_password.h"

#include "host_test_support.h"

#include <string>
#include <vector>

namespace {

class PasswordOnNt : public testing::Test {
protected:
    void TearDown() override { gPlatform = kSystemPlatform; }
    ProviderLog log;
};

TEST_F(PasswordOnNt, LetsTheSaverCloseWithoutLoadingTheProvider)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemFile("PASSWORD.CPL"));
    ASSERT_TRUE(provider.placed());
    ProviderLog::answer(0);
    EXPECT_EQ(verifySaverPassword(nullptr), 1);
    EXPECT_TRUE(log.lines().empty());
}

BOOL WINAPI failingVersionQuery(LPOSVERSIONINFOA)
{
    return FALSE;
}

TEST_F(PasswordOnNt, AsksTheProviderWhenTheVersionCannotBeRead)
{
    const PlacedFile provider(standInFile("PASSWORD.CPL"), systemFile("PASSWORD.CPL"));
    ASSERT_TRUE(provider.placed());
    gPlatform.versionInfo = failingVersionQuery;
    ProviderLog::answer(0);
    const HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
    EXPECT_EQ(verifySaverPassword(window), 0);
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], attachLine(systemFile("PASSWORD.CPL")));
    EXPECT_EQ(lines[1].rfind("VerifyScreenSavePwd window=1234 ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "detach");
}

} // namespace
