// The per-user settings store on POSIX: folders under the XDG config home,
// registry result codes, permissions made real and damaged files.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

using namespace platform;
using namespace config_test;
namespace fs = std::filesystem;

constexpr char kKey[] = "Software\\Zarnek\\Wendrix";
constexpr std::uint32_t kReadWrite = RegKeyRead | RegKeySetValue;

std::string query(RegHandle key, const char* name)
{
    char buffer[512];
    std::memset(buffer, '#', sizeof buffer);
    std::uint32_t size = 256;
    const long r = regQueryValue(key, name, buffer, &size);
    if (r != RegSuccess)
        return "<" + std::to_string(r) + ">";
    EXPECT_LE(size, 256u);
    EXPECT_EQ(buffer[size], '#') << "written past the data";
    return std::string(buffer, size);
}

long setText(RegHandle key, const char* name, const std::string& text)
{
    return regSetString(key, name, text.c_str(), static_cast<std::uint32_t>(text.size() + 1));
}

ino_t inode(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

class UserStore : public ::testing::Test {
protected:
    // Creates the key with the given values and closes it again.
    void create(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        RegHandle key = 0;
        ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
        for (const auto& [name, text] : values)
            ASSERT_EQ(setText(key, name, text), RegSuccess);
        ASSERT_EQ(regCloseKey(key), RegSuccess);
    }
    PrivateStore store;
};

TEST_F(UserStore, CreateMakesTheFoldersAndValuesPersistAsBytes)
{
    RegHandle key = 0;
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegFileNotFound);
    EXPECT_FALSE(fs::exists(store.keyFolder()));
    create({{"Text-1", "first"}, {"TEXT-1", "THIS UNIT BELONGS TO"}, {"Text-2", ""}});
    EXPECT_TRUE(fs::is_directory(store.keyFolder()));
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    const std::string odd("line\nbreak\0nul:12:34:\xff\xe9", 20);
    ASSERT_EQ(regSetString(key, "odd:name\n", odd.data(), static_cast<std::uint32_t>(odd.size())), RegSuccess);
    EXPECT_EQ(regSetString(key, "empty", nullptr, 0), RegSuccess);
    ASSERT_EQ(regCloseKey(key), RegSuccess);
    EXPECT_EQ(regCloseKey(key), 6) << "a closed handle is no longer valid";

    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
    EXPECT_EQ(query(key, "text-1"), sz("THIS UNIT BELONGS TO")) << "names ignore letter case";
    EXPECT_EQ(query(key, "Text-2"), sz(""));
    EXPECT_EQ(query(key, "Text-3"), "<2>");
    EXPECT_EQ(query(key, "odd:name\n"), odd);
    EXPECT_EQ(query(key, "empty"), "");
    regCloseKey(key);
}

TEST(UserStoreLocation, XdgConfigHomeIsHonouredAndHomeConfigIsTheDefault)
{
    testing_support::TempDir dir;
    ScopedEnv home("HOME", dir.path() + "/home");
    RegHandle key = 0;
    {
        ScopedEnv config("XDG_CONFIG_HOME", dir.path() + "/xdg");
        ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
        regCloseKey(key);
        EXPECT_TRUE(fs::is_directory(dir.path() + "/xdg/Zarnek/Wendrix"));
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegFileNotFound);
        ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
        regCloseKey(key);
        EXPECT_TRUE(fs::is_directory(dir.path() + "/home/.config/Zarnek/Wendrix"));
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/folder"); // not valid, ignored
        ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
        regCloseKey(key);
    }
}

TEST_F(UserStore, SubKeysNestAsFoldersAndCannotEscape)
{
    RegHandle parent = 0;
    RegHandle child = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, "Software\\Zarnek", RegKeyAllAccess, &parent), RegSuccess);
    ASSERT_EQ(regCreateKey(parent, "Wendrix\\\\Deeper", RegKeyAllAccess, &child), RegSuccess);
    EXPECT_TRUE(fs::is_directory(store.keyFolder() + "/Deeper"));
    regCloseKey(child);
    ASSERT_EQ(regOpenKey(parent, "Wendrix", RegKeyRead, &child), RegSuccess);
    regCloseKey(child);
    EXPECT_NE(regCreateKey(parent, "..\\escape", RegKeyAllAccess, &child), RegSuccess);
    EXPECT_NE(regCreateKey(parent, "a/b", RegKeyAllAccess, &child), RegSuccess);
    EXPECT_EQ(regOpenKey(0x4242, "x", RegKeyRead, &child), 6);
    regCloseKey(parent);
}

TEST_F(UserStore, OperationsNeedTheRightAccess)
{
    create({{"Text-1", "a"}});
    RegHandle key = 0;
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
    EXPECT_EQ(setText(key, "Text-1", "b"), RegAccessDenied);
    EXPECT_EQ(query(key, "Text-1"), sz("a"));
    regCloseKey(key);
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeySetValue, &key), RegSuccess);
    EXPECT_EQ(query(key, "Text-1"), "<5>");
    regCloseKey(key);
}

TEST_F(UserStore, DamagedStoreReadsAsMissingValuesAndIsStartedAfresh)
{
    create({{"Text-1", "one"}, {"Text-2", "two"}});
    RegHandle key = 0;
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    const std::string good = testing_support::readText(store.valuesFile());
    ASSERT_FALSE(good.empty());
    std::string flipped = good;
    flipped[flipped.find("one")] = 'O';
    std::string garbage;
    unsigned state = 99;
    for (int i = 0; i < 100000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(state >> 16));
    }
    // Cut inside the second record: the first one survives.
    ASSERT_TRUE(testing_support::writeText(store.valuesFile(), good.substr(0, good.size() - 3)));
    EXPECT_EQ(query(key, "Text-1"), sz("one"));
    EXPECT_EQ(query(key, "Text-2"), "<2>");
    const std::string damaged[] = {flipped, "WendrixValues 1\n6:999999999:00000000:Text-1x\n", garbage, ""};
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.substr(0, 40));
        ASSERT_TRUE(testing_support::writeText(store.valuesFile(), bytes));
        EXPECT_EQ(query(key, "Text-1"), "<2>");
    }
    ASSERT_TRUE(testing_support::writeText(store.valuesFile(), garbage));
    ASSERT_EQ(setText(key, "Text-3", "three"), RegSuccess);
    EXPECT_EQ(query(key, "Text-3"), sz("three"));
    regCloseKey(key);
}

TEST_F(UserStore, ValuesAreWrittenOnceAtCloseIntoAFreshPrivateFile)
{
    create({{"Text-1", "old"}});
    const ino_t first = inode(store.valuesFile());
    RegHandle key = 0;
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    for (int n = 1; n <= 7; ++n)
        ASSERT_EQ(setText(key, ("Text-" + std::to_string(n)).c_str(), "line " + std::to_string(n)), RegSuccess);
    // The handle sees its own values at once; the file is untouched until close.
    EXPECT_EQ(query(key, "Text-1"), sz("line 1"));
    EXPECT_EQ(inode(store.valuesFile()), first);
    // A value stored by another handle meanwhile survives this handle's close.
    create({{"Other", "kept"}});
    EXPECT_NE(inode(store.valuesFile()), first) << "replaced by rename, never truncated";
    ASSERT_EQ(regCloseKey(key), RegSuccess);

    struct stat st {};
    ASSERT_EQ(::stat(store.valuesFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(store.keyFolder()), fs::directory_iterator()), 1)
        << "no temporary file is left beside the store";
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(query(key, ("Text-" + std::to_string(n)).c_str()), sz("line " + std::to_string(n)));
    EXPECT_EQ(query(key, "Other"), sz("kept"));
    regCloseKey(key);
}

TEST_F(UserStore, OtherUsersGetOnlyTheAccessTheFoldersAllow)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    create({{"Text-1", "kept"}});
    // Owned by root with mode 0700: another user may not even look inside.
    EXPECT_EQ(testing_support::runUnprivileged([] {
        RegHandle k = 0;
        if (regOpenKey(kCurrentUser, kKey, RegKeyRead, &k) != RegAccessDenied)
            return 1;
        if (regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &k) != RegAccessDenied)
            return 2;
        if (regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &k) != RegAccessDenied)
            return 3;
        return regCreateKey(kCurrentUser, "Software\\Zarnek\\Wendrix\\Sub", kReadWrite, &k) != RegAccessDenied
                   ? 4 : 0;
    }), 0);

    const std::string before = testing_support::readText(store.valuesFile());
    ASSERT_TRUE(shareKeyReadOnly(store));
    EXPECT_EQ(testing_support::runUnprivileged([] {
        RegHandle k = 0;
        if (regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &k) != RegAccessDenied)
            return 1;
        if (regOpenKey(kCurrentUser, kKey, kReadWrite, &k) != RegAccessDenied)
            return 2;
        if (regCreateKey(kCurrentUser, kKey, kReadWrite, &k) != RegAccessDenied)
            return 3;
        if (regOpenKey(kCurrentUser, kKey, RegKeyRead, &k) != RegSuccess)
            return 4;
        char buffer[256];
        std::uint32_t size = sizeof buffer;
        if (regQueryValue(k, "Text-1", buffer, &size) != RegSuccess || std::strcmp(buffer, "kept") != 0)
            return 5;
        const bool written = regSetString(k, "Text-1", "new", 4) == RegSuccess;
        regCloseKey(k);
        return written ? 6 : 0;
    }), 0);
    EXPECT_EQ(testing_support::readText(store.valuesFile()), before);
}

} // namespace

#else

TEST(UserStore, NeedsThePosixStore)
{
    GTEST_SKIP() << "uses the POSIX per-user store; on Windows the settings live in the registry";
}

#endif
