// RegKey over the per-user store: status codes, reading into the callers'
// buffers and closing.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <cstring>
#include <filesystem>
#include <string>

#include "config/reg_key.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

using namespace config_test;
namespace fs = std::filesystem;

TEST(RegKey, ClosedOrMissingKeyGivesTheDefaultAndCreatesNothing)
{
    PrivateStore store;
    RegKey key;
    EXPECT_EQ(key.status, -1);
    char out[256];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(key.queryString("Text-1", out, "fallback"), -1);
    EXPECT_STREQ(out, "fallback");
    EXPECT_EQ(key.close(), -1);

    EXPECT_EQ(key.openUser(kSettingsSubKey, 0), 2);
    EXPECT_EQ(key.status, 2);
    EXPECT_EQ(key.root, platform::kCurrentUser);
    EXPECT_EQ(key.subKey, kSettingsSubKey);
    EXPECT_EQ(key.queryString("Text-1", out, ""), 2);
    EXPECT_STREQ(out, "");
    key.setString("Text-1", "ignored");
    EXPECT_FALSE(fs::exists(store.dir.path() + "/config/Zarnek"));
    EXPECT_EQ(key.close(), -1);
    EXPECT_EQ(key.status, -1);
}

TEST(RegKey, CreateWriteAndReadBackWithinTheBuffers)
{
    PrivateStore store;
    {
        RegKey key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
        key.setString("Text-1", "THIS UNIT BELONGS TO");
        key.setString("Text-2", "");
    }
    EXPECT_EQ(loadRaw("Text-1"), sz("THIS UNIT BELONGS TO"));
    EXPECT_EQ(loadRaw("Text-2"), sz("")) << "an empty line is one NUL byte";
    struct {
        const char* name;
        std::string stored;
        long result;
        std::string read;
    } cases[] = {
        {"exact", sz(std::string(255, 'L')), 0, std::string(255, 'L')},
        {"over", sz(std::string(256, 'O')), 234, "default"},
        {"bare", "no terminator", 0, "no terminator"},
        {"full", std::string(256, 'F'), 0, std::string(255, 'F')}, // no NUL: 255 reach the caller
        {"inner", std::string("ab\0cd", 5), 0, "ab"},
        {"Text-1", "", 0, "THIS UNIT BELONGS TO"}, // these three through setString above
        {"Text-2", "", 0, ""},
        {"Text-9", "", 2, "default"}, // missing: exactly the default
    };
    for (const auto& c : cases)
        ASSERT_TRUE(c.stored.empty() || storeRaw(c.name, c.stored));
    RegKey key;
    ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char out[300];
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(key.queryString(c.name, out, "default"), c.result);
        EXPECT_EQ(std::string(out), c.read);
        EXPECT_EQ(out[256], '#');
    }
    EXPECT_EQ(key.queryString("Text-1", nullptr, "d"), 0);
}

TEST(RegKey, ReopenFailedOpenAndDestructionCloseTheKey)
{
    PrivateStore store;
    platform::RegHandle held = 0;
    {
        RegKey key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
        held = key.key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
        EXPECT_NE(key.key, held);
        EXPECT_NE(platform::regCloseKey(held), 0) << "the second open closed the first handle";
        held = key.key;
    }
    EXPECT_NE(platform::regCloseKey(held), 0) << "the destructor closes the key";

    RegKey key;
    ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
    held = key.key;
    EXPECT_EQ(key.openUser("Software\\Zarnek\\Missing", 0), 2);
    EXPECT_NE(platform::regCloseKey(held), 0);
    EXPECT_EQ(key.close(), -1);
    ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
    EXPECT_EQ(key.close(), 0);
    EXPECT_EQ(key.status, -1);
    EXPECT_EQ(key.close(), -1);
}

TEST(RegKey, KeyWithoutAccessFailsWithAccessDenied)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    PrivateStore store;
    ASSERT_TRUE(storeRaw("Text-1", sz("secret")));
    const int code = testing_support::runUnprivileged([] {
        RegKey key;
        if (key.openUser(kSettingsSubKey, 1) != 5 || key.status != 5)
            return 1;
        char out[256];
        return key.queryString("Text-1", out, "d") != 5 || std::strcmp(out, "d") != 0 ? 2 : 0;
    });
    EXPECT_EQ(code, 0);
}

} // namespace

#else

TEST(RegKey, NeedsThePosixStore)
{
    GTEST_SKIP() << "uses the POSIX per-user store; on Windows the settings live in the registry";
}

#endif
