// The per-user settings store on POSIX: folders under the XDG config home,
// registry result codes, permissions made real and damaged files.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

using namespace platform;
using config_test::PrivateStore;
using config_test::ScopedEnv;
namespace fs = std::filesystem;

constexpr char kKey[] = "Software\\Zarnek\\Wendrix";
constexpr std::uint32_t kReadWrite = RegKeyRead | RegKeySetValue;

std::string query(RegHandle key, const char* name, long* result = nullptr, std::uint32_t room = 256)
{
    char buffer[512];
    std::memset(buffer, '#', sizeof buffer);
    std::uint32_t size = room;
    long r = regQueryValue(key, name, buffer, &size);
    if (result)
        *result = r;
    if (r != RegSuccess)
        return "<" + std::to_string(r) + ">";
    EXPECT_LE(size, room);
    EXPECT_EQ(buffer[size], '#') << "written past the data";
    return std::string(buffer, size);
}

long setText(RegHandle key, const char* name, const std::string& text)
{
    return regSetString(key, name, text.c_str(), static_cast<std::uint32_t>(text.size() + 1));
}

TEST(UserStore, CreateMakesTheFoldersAndValuesPersist)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegFileNotFound);
    EXPECT_FALSE(fs::exists(store.keyFolder()));
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    EXPECT_TRUE(fs::is_directory(store.keyFolder()));
    EXPECT_EQ(setText(key, "Text-1", "THIS UNIT BELONGS TO"), RegSuccess);
    EXPECT_EQ(setText(key, "Text-2", ""), RegSuccess);
    EXPECT_EQ(regCloseKey(key), RegSuccess);

    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
    EXPECT_EQ(query(key, "Text-1"), std::string("THIS UNIT BELONGS TO") + '\0');
    EXPECT_EQ(query(key, "text-1"), std::string("THIS UNIT BELONGS TO") + '\0');
    EXPECT_EQ(query(key, "Text-2"), std::string(1, '\0'));
    EXPECT_EQ(query(key, "Text-3"), "<2>");
    EXPECT_EQ(regCloseKey(key), RegSuccess);
    EXPECT_EQ(regCloseKey(key), 6) << "a closed handle is no longer valid";
}

TEST(UserStore, ValuesAreBytesOfAnyKind)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    std::string odd("line\nbreak\0nul:12:34:\xff\xe9", 20);
    ASSERT_EQ(regSetString(key, "odd:name\n", odd.data(), static_cast<std::uint32_t>(odd.size())),
              RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "first"), RegSuccess);
    ASSERT_EQ(setText(key, "TEXT-1", "second"), RegSuccess);
    EXPECT_EQ(query(key, "odd:name\n"), odd);
    EXPECT_EQ(query(key, "Text-1"), std::string("second") + '\0');
    EXPECT_EQ(regSetString(key, "empty", nullptr, 0), RegSuccess);
    EXPECT_EQ(query(key, "empty"), "");
    regCloseKey(key);
}

TEST(UserStore, DataLargerThanTheRoomGivesMoreData)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    const std::string exact(255, 'e');
    const std::string over(256, 'o');
    ASSERT_EQ(setText(key, "exact", exact), RegSuccess);
    ASSERT_EQ(setText(key, "over", over), RegSuccess);
    EXPECT_EQ(query(key, "exact"), exact + '\0');
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    std::uint32_t size = sizeof buffer;
    EXPECT_EQ(regQueryValue(key, "over", buffer, &size), RegMoreData);
    EXPECT_EQ(size, 257u) << "the size needed is reported";
    EXPECT_EQ(buffer[0], '#') << "nothing is copied when the data does not fit";
    // Without a buffer only the size is asked for.
    size = 0;
    EXPECT_EQ(regQueryValue(key, "over", nullptr, &size), RegSuccess);
    EXPECT_EQ(size, 257u);
    regCloseKey(key);
}

TEST(UserStore, XdgConfigHomeIsHonouredAndHomeConfigIsTheDefault)
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
        // A relative XDG_CONFIG_HOME is not valid and is ignored.
        ScopedEnv config("XDG_CONFIG_HOME", "relative/folder");
        ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
        regCloseKey(key);
    }
}

TEST(UserStore, SubKeysNestAsFolders)
{
    PrivateStore store;
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

TEST(UserStore, OperationsNeedTheRightAccess)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "a"), RegSuccess);
    regCloseKey(key);
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
    EXPECT_EQ(setText(key, "Text-1", "b"), RegAccessDenied);
    EXPECT_EQ(query(key, "Text-1"), std::string("a") + '\0');
    regCloseKey(key);
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeySetValue, &key), RegSuccess);
    EXPECT_EQ(query(key, "Text-1"), "<5>");
    regCloseKey(key);
}

TEST(UserStore, DamagedStoreReadsAsMissingValues)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "one"), RegSuccess);
    ASSERT_EQ(setText(key, "Text-2", "two"), RegSuccess);
    ASSERT_EQ(regCloseKey(key), RegSuccess);
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    const std::string valuesFile = store.keyFolder() + "/values";
    const std::string good = testing_support::readText(valuesFile);
    ASSERT_FALSE(good.empty());

    // Cut in the middle of the second record: the first one survives.
    ASSERT_TRUE(testing_support::writeText(valuesFile, good.substr(0, good.size() - 3)));
    EXPECT_EQ(query(key, "Text-1"), std::string("one") + '\0');
    EXPECT_EQ(query(key, "Text-2"), "<2>");

    // A changed byte in a record's data is noticed.
    std::string flipped = good;
    flipped[flipped.find("one")] = 'O';
    ASSERT_TRUE(testing_support::writeText(valuesFile, flipped));
    EXPECT_EQ(query(key, "Text-1"), "<2>");

    // Lengths that point far beyond the file.
    ASSERT_TRUE(testing_support::writeText(valuesFile, "WendrixValues 1\n6:999999999:00000000:Text-1x\n"));
    EXPECT_EQ(query(key, "Text-1"), "<2>");

    // Random bytes, an empty file, and a folder in place of the file.
    std::string garbage;
    unsigned state = 99;
    for (int i = 0; i < 100000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(state >> 16));
    }
    ASSERT_TRUE(testing_support::writeText(valuesFile, garbage));
    EXPECT_EQ(query(key, "Text-1"), "<2>");
    ASSERT_TRUE(testing_support::writeText(valuesFile, ""));
    EXPECT_EQ(query(key, "Text-1"), "<2>");

    // Writing into a damaged store starts it afresh.
    ASSERT_TRUE(testing_support::writeText(valuesFile, garbage));
    ASSERT_EQ(setText(key, "Text-3", "three"), RegSuccess);
    EXPECT_EQ(query(key, "Text-3"), std::string("three") + '\0');
    regCloseKey(key);
}

TEST(UserStore, StoreFileIsReplacedWholeAndPrivate)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "one"), RegSuccess);
    ASSERT_EQ(regCloseKey(key), RegSuccess);
    const std::string valuesFile = store.keyFolder() + "/values";
    struct stat before {};
    ASSERT_EQ(::stat(valuesFile.c_str(), &before), 0);
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-2", "two"), RegSuccess);
    ASSERT_EQ(regCloseKey(key), RegSuccess);
    struct stat after {};
    ASSERT_EQ(::stat(valuesFile.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(after.st_mode & 0777, 0600u);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(store.keyFolder()))
        ++entries;
    EXPECT_EQ(entries, 1) << "no temporary file is left beside the store";
}

TEST(UserStore, ValuesSetThroughAHandleAreWrittenOnceWhenItCloses)
{
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "old"), RegSuccess);
    ASSERT_EQ(regCloseKey(key), RegSuccess);
    const std::string valuesFile = store.keyFolder() + "/values";
    struct stat first {};
    ASSERT_EQ(::stat(valuesFile.c_str(), &first), 0);

    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    for (int n = 1; n <= 7; ++n)
        ASSERT_EQ(setText(key, ("Text-" + std::to_string(n)).c_str(), "line " + std::to_string(n)), RegSuccess);
    // The handle sees its own values at once; the file is untouched until close.
    EXPECT_EQ(query(key, "Text-1"), std::string("line 1") + '\0');
    struct stat during {};
    ASSERT_EQ(::stat(valuesFile.c_str(), &during), 0);
    EXPECT_EQ(during.st_ino, first.st_ino);

    // A value stored by another handle meanwhile survives this handle's close.
    RegHandle other = 0;
    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &other), RegSuccess);
    ASSERT_EQ(setText(other, "Other", "kept"), RegSuccess);
    ASSERT_EQ(regCloseKey(other), RegSuccess);
    ASSERT_EQ(regCloseKey(key), RegSuccess);

    ASSERT_EQ(regOpenKey(kCurrentUser, kKey, RegKeyRead, &key), RegSuccess);
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(query(key, ("Text-" + std::to_string(n)).c_str()), "line " + std::to_string(n) + '\0');
    EXPECT_EQ(query(key, "Other"), std::string("kept") + '\0');
    regCloseKey(key);
}

TEST(UserStore, NoAccessToTheFolderGivesAccessDenied)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "secret"), RegSuccess);
    regCloseKey(key);
    // Owned by root with mode 0700: another user may not even look inside.
    const int code = testing_support::runUnprivileged([] {
        RegHandle k = 0;
        if (regOpenKey(kCurrentUser, kKey, RegKeyRead, &k) != RegAccessDenied)
            return 1;
        if (regOpenKey(kCurrentUser, kKey, RegKeyAllAccess, &k) != RegAccessDenied)
            return 2;
        if (regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &k) != RegAccessDenied)
            return 3;
        if (regCreateKey(kCurrentUser, "Software\\Zarnek\\Wendrix\\Sub", kReadWrite, &k) !=
            RegAccessDenied)
            return 4;
        return 0;
    });
    EXPECT_EQ(code, 0);
}

TEST(UserStore, ReadOnlyKeyOpensForReadingOnly)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    PrivateStore store;
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, kKey, RegKeyAllAccess, &key), RegSuccess);
    ASSERT_EQ(setText(key, "Text-1", "kept"), RegSuccess);
    regCloseKey(key);
    const std::string valuesFile = store.keyFolder() + "/values";
    const std::string before = testing_support::readText(valuesFile);
    for (const std::string& folder : {store.dir.path() + "/config", store.dir.path() + "/config/Zarnek",
                                      store.keyFolder()})
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(valuesFile.c_str(), 0644), 0);
    const int code = testing_support::runUnprivileged([] {
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
        if (regSetString(k, "Text-1", "new", 4) == RegSuccess)
            return 6;
        regCloseKey(k);
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(testing_support::readText(valuesFile), before);
}

} // namespace

#else

TEST(UserStore, NeedsThePosixStore)
{
    GTEST_SKIP() << "these checks use the POSIX per-user store in a private XDG_CONFIG_HOME; "
                    "on Windows the settings live in the registry";
}

#endif
