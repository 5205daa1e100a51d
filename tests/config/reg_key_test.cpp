// RegKey over the per-user store: the access sequence, status codes,
// reading into the callers' buffers and closing.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "config/reg_key.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

using config_test::PrivateStore;
namespace fs = std::filesystem;

// Stores raw bytes under `name` in the settings key, outside RegKey.
void storeRaw(const char* name, const std::string& bytes)
{
    platform::RegHandle key = 0;
    ASSERT_EQ(platform::regCreateKey(platform::kCurrentUser, kSettingsSubKey,
                                     platform::RegKeyAllAccess, &key),
              platform::RegSuccess);
    ASSERT_EQ(platform::regSetString(key, name, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
              platform::RegSuccess);
    platform::regCloseKey(key);
}

std::string loadRaw(const char* name)
{
    platform::RegHandle key = 0;
    if (platform::regOpenKey(platform::kCurrentUser, kSettingsSubKey, platform::RegKeyRead, &key) != 0)
        return "<no key>";
    char buffer[600];
    std::uint32_t size = sizeof buffer;
    long result = platform::regQueryValue(key, name, buffer, &size);
    platform::regCloseKey(key);
    return result == 0 ? std::string(buffer, size) : "<" + std::to_string(result) + ">";
}

TEST(RegKey, StartsClosedAndQueryGivesTheDefault)
{
    PrivateStore store;
    RegKey key;
    EXPECT_EQ(key.status, -1);
    char out[256];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(key.queryString("Text-1", out, "fallback"), -1);
    EXPECT_STREQ(out, "fallback");
    EXPECT_EQ(key.close(), -1);
    EXPECT_EQ(key.status, -1);
}

TEST(RegKey, NewUserOpenWithoutCreateFindsNothingAndCreatesNothing)
{
    PrivateStore store;
    RegKey key;
    EXPECT_EQ(key.openUser(kSettingsSubKey, 0), 2);
    EXPECT_EQ(key.status, 2);
    EXPECT_EQ(key.root, platform::kCurrentUser);
    EXPECT_EQ(key.subKey, kSettingsSubKey);
    EXPECT_FALSE(fs::exists(store.dir.path() + "/config/Zarnek"));
    char out[256] = "junk";
    EXPECT_EQ(key.queryString("Text-1", out, ""), 2);
    EXPECT_STREQ(out, "");
    key.setString("Text-1", "ignored");
    EXPECT_FALSE(fs::exists(store.dir.path() + "/config/Zarnek"));
    EXPECT_EQ(key.close(), -1);
    EXPECT_EQ(key.status, -1);
}

TEST(RegKey, CreateThenWriteAndReadBack)
{
    PrivateStore store;
    {
        RegKey key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
        key.setString("Text-1", "THIS UNIT BELONGS TO");
        key.setString("Text-2", "");
    }
    EXPECT_TRUE(fs::is_directory(store.keyFolder()));
    EXPECT_EQ(loadRaw("Text-1"), std::string("THIS UNIT BELONGS TO") + '\0');
    // An empty line is stored as one NUL byte.
    EXPECT_EQ(loadRaw("Text-2"), std::string(1, '\0'));

    RegKey key;
    ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
    char out[256];
    EXPECT_EQ(key.queryString("Text-1", out, "d"), 0);
    EXPECT_STREQ(out, "THIS UNIT BELONGS TO");
    EXPECT_EQ(key.queryString("Text-2", out, "d"), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(key.queryString("Text-1", nullptr, "d"), 0);
    // A missing value leaves exactly the default.
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(key.queryString("Text-9", out, ""), 2);
    EXPECT_STREQ(out, "");
}

TEST(RegKey, LongValuesAndValuesWithoutTerminator)
{
    PrivateStore store;
    const std::string longest(255, 'L');
    storeRaw("exact", longest + '\0');
    storeRaw("over", std::string(256, 'O') + '\0');
    storeRaw("bare", "no terminator");
    storeRaw("full", std::string(256, 'F'));
    storeRaw("inner", std::string("ab\0cd", 5));

    RegKey key;
    ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
    char out[300];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(key.queryString("exact", out, ""), 0);
    EXPECT_EQ(std::string(out), longest);

    std::memset(out, '#', sizeof out);
    EXPECT_EQ(key.queryString("over", out, "default"), 234);
    EXPECT_STREQ(out, "default");

    std::memset(out, '#', sizeof out);
    EXPECT_EQ(key.queryString("bare", out, ""), 0);
    EXPECT_STREQ(out, "no terminator");

    // 256 bytes without a NUL: at most 255 characters reach the caller.
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(key.queryString("full", out, ""), 0);
    EXPECT_EQ(std::string(out), std::string(255, 'F'));
    EXPECT_EQ(out[256], '#');

    EXPECT_EQ(key.queryString("inner", out, ""), 0);
    EXPECT_STREQ(out, "ab");
}

TEST(RegKey, ReopenAndDestructionCloseTheKey)
{
    PrivateStore store;
    platform::RegHandle first = 0;
    {
        RegKey key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
        first = key.key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
        EXPECT_NE(key.key, first);
        // The first handle was closed by the second open.
        EXPECT_NE(platform::regCloseKey(first), 0);
        first = key.key;
    }
    EXPECT_NE(platform::regCloseKey(first), 0) << "the destructor closes the key";

    RegKey key;
    ASSERT_EQ(key.openUser(kSettingsSubKey, 0), 0);
    EXPECT_EQ(key.close(), 0);
    EXPECT_EQ(key.status, -1);
    EXPECT_EQ(key.close(), -1);
}

TEST(RegKey, FailedOpenReplacesAnOpenKey)
{
    PrivateStore store;
    RegKey key;
    ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
    const platform::RegHandle held = key.key;
    EXPECT_EQ(key.openUser("Software\\Zarnek\\Missing", 0), 2);
    EXPECT_NE(platform::regCloseKey(held), 0);
    EXPECT_EQ(key.close(), -1);
}

TEST(RegKey, ReadOnlyKeyOpensAndItsWritesFailSilently)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    PrivateStore store;
    storeRaw("Text-1", std::string("kept") + '\0');
    for (const std::string& folder : {store.dir.path() + "/config", store.dir.path() + "/config/Zarnek",
                                      store.keyFolder()})
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((store.keyFolder() + "/values").c_str(), 0644), 0);
    const int code = testing_support::runUnprivileged([] {
        RegKey key;
        if (key.openUser(kSettingsSubKey, 1) != 0)
            return 1;
        key.setString("Text-1", "changed");
        key.setString("Text-2", "added");
        char out[256];
        if (key.queryString("Text-1", out, "") != 0 || std::strcmp(out, "kept") != 0)
            return 2;
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(loadRaw("Text-1"), std::string("kept") + '\0');
    EXPECT_EQ(loadRaw("Text-2"), "<2>");
}

TEST(RegKey, KeyWithoutAccessFailsWithAccessDenied)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    PrivateStore store;
    storeRaw("Text-1", std::string("secret") + '\0');
    const int code = testing_support::runUnprivileged([] {
        RegKey key;
        if (key.openUser(kSettingsSubKey, 1) != 5 || key.status != 5)
            return 1;
        char out[256];
        if (key.queryString("Text-1", out, "d") != 5 || std::strcmp(out, "d") != 0)
            return 2;
        return 0;
    });
    EXPECT_EQ(code, 0);
}

} // namespace

#else

TEST(RegKey, NeedsThePosixStore)
{
    GTEST_SKIP() << "these checks use the POSIX per-user store in a private XDG_CONFIG_HOME; "
                    "on Windows the settings live in the registry";
}

#endif
