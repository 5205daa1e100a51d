// Remembering the seven warning lines: the per-user key first, the model
// file's "WARNING" section otherwise.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "config/model_file.h"
#include "config/reg_key.h"
#include "engine/line_storage.h"
#include "engine/warning_lines.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

using config_test::PrivateModelFile;
using config_test::PrivateStore;
using config_test::ScopedEnv;
namespace fs = std::filesystem;

class LineStorage : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = warningLines;
        // Start from lines that a load must overwrite.
        for (int i = 0; i < WarningLines::kCount; ++i)
            std::snprintf(warningLines.lines[i], WarningLines::kBufferSize, "stale %d", i + 1);
    }
    void TearDown() override { warningLines = saved_; }

    static void storeValue(const char* name, const std::string& bytes)
    {
        platform::RegHandle key = 0;
        ASSERT_EQ(platform::regCreateKey(platform::kCurrentUser, kSettingsSubKey,
                                         platform::RegKeyAllAccess, &key),
                  0);
        ASSERT_EQ(platform::regSetString(key, name, bytes.data(), static_cast<std::uint32_t>(bytes.size())), 0);
        platform::regCloseKey(key);
    }
    static std::string storedValue(const char* name)
    {
        RegKey key;
        if (key.openUser(kSettingsSubKey, 0) != 0)
            return "<no key>";
        char out[256];
        return key.queryString(name, out, "") == 0 ? std::string(out) : "<missing>";
    }
    static void setLines(const char* const (&texts)[7])
    {
        for (int i = 0; i < 7; ++i)
            std::strcpy(warningLines.lines[i], texts[i]);
    }

    PrivateStore store;
    PrivateModelFile model;

private:
    WarningLines saved_;
};

TEST_F(LineStorage, WithoutKeyLinesComeFromTheModelFileAndNoKeyIsMade)
{
    const std::string thirty(30, 'T');
    ASSERT_TRUE(testing_support::writeText(
        model.path, "[WARNING]\r\nText-1=THIS UNIT BELONGS TO\r\ntext-2=  THE SURVEY TEAM  \r\n"
                    "Text-3=\r\nText-5=" + thirty + "\r\n"));
    const std::int32_t result = loadLines();
    EXPECT_STREQ(warningLines.lines[0], "THIS UNIT BELONGS TO");
    EXPECT_STREQ(warningLines.lines[1], "THE SURVEY TEAM");
    EXPECT_STREQ(warningLines.lines[2], "");
    EXPECT_STREQ(warningLines.lines[3], "") << "a missing key gives an empty line";
    // A model-file value arrives cut to 29 characters.
    EXPECT_EQ(std::string(warningLines.lines[4]), thirty.substr(0, 29));
    EXPECT_STREQ(warningLines.lines[5], "");
    EXPECT_STREQ(warningLines.lines[6], "");
    EXPECT_EQ(result, 20 + 15 + 29 + 6);
    EXPECT_FALSE(fs::exists(store.dir.path() + "/config/Zarnek"));
}

TEST_F(LineStorage, AllLinesEmptyGivesSix)
{
    EXPECT_EQ(loadLines(), 6) << "no key and no model file";
    for (int i = 0; i < 7; ++i)
        EXPECT_STREQ(warningLines.lines[i], "");
    for (int i = 0; i < 7; ++i)
        storeValue(("Text-" + std::to_string(i + 1)).c_str(), std::string(1, '\0'));
    EXPECT_EQ(loadLines(), 6) << "seven empty values in the key";
}

TEST_F(LineStorage, KeyTakesPrecedenceOverTheModelFile)
{
    ASSERT_TRUE(testing_support::writeText(model.path, "[WARNING]\nText-1=from file\nText-2=file two\n"));
    storeValue("Text-1", std::string("from key") + '\0');
    EXPECT_EQ(loadLines(), 8 + 6);
    EXPECT_STREQ(warningLines.lines[0], "from key");
    EXPECT_STREQ(warningLines.lines[1], "") << "a value missing from the key is an empty line";
}

TEST_F(LineStorage, LengthLimitsOfKeyValues)
{
    const std::string thirty(30, 'a');
    storeValue("Text-1", thirty + '\0');
    EXPECT_EQ(loadLines(), 30 + 6);
    EXPECT_EQ(std::string(warningLines.lines[0]), thirty);

    // 31 characters: held whole, and rejected.
    const std::string thirtyOne(31, 'b');
    storeValue("Text-1", thirtyOne + '\0');
    EXPECT_EQ(loadLines(), 0);
    EXPECT_EQ(std::string(warningLines.lines[0]), thirtyOne);

    // 255 characters: the line keeps its first 31 and the next line is
    // untouched by the copy.
    std::string longest(255, 'c');
    longest[30] = 'X';
    longest[31] = 'Y';
    storeValue("Text-3", longest + '\0');
    storeValue("Text-4", std::string("next") + '\0');
    storeValue("Text-1", std::string("short") + '\0');
    EXPECT_EQ(loadLines(), 0);
    EXPECT_EQ(std::string(warningLines.lines[2]), longest.substr(0, 31));
    EXPECT_STREQ(warningLines.lines[3], "next");
    // The lines before the over-long one are already counted.
    EXPECT_EQ(warningLines.lineEnds[0], 5);
    EXPECT_EQ(warningLines.lineEnds[1], 6);

    // More than 255 characters cannot be read at all: an empty line.
    storeValue("Text-3", std::string(256, 'd') + '\0');
    EXPECT_EQ(loadLines(), 5 + 4 + 6);
    EXPECT_STREQ(warningLines.lines[2], "");

    // Data stored without a terminator still ends within the line.
    storeValue("Text-3", "no nul");
    EXPECT_EQ(loadLines(), 5 + 6 + 4 + 6);
    EXPECT_STREQ(warningLines.lines[2], "no nul");
}

TEST_F(LineStorage, SaveCreatesTheKeyAndLeavesTheModelFileAlone)
{
    const std::string before = "[WARNING]\r\nText-1=old\r\n";
    ASSERT_TRUE(testing_support::writeText(model.path, before));
    const char* const texts[7] = {"ONE", "", "TH\xc9 THREE", "  four  ", "", "", "seven=7;"};
    setLines(texts);
    saveLines();
    EXPECT_TRUE(fs::is_directory(store.keyFolder()));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(storedValue(("Text-" + std::to_string(i + 1)).c_str()), texts[i]);
    EXPECT_EQ(testing_support::readText(model.path), before);

    // And they load back unchanged, blanks included.
    for (int i = 0; i < 7; ++i)
        std::strcpy(warningLines.lines[i], "x");
    EXPECT_EQ(loadLines(), 3 + 9 + 8 + 8 + 6);
    for (int i = 0; i < 7; ++i)
        EXPECT_STREQ(warningLines.lines[i], texts[i]);
}

TEST_F(LineStorage, WithoutAUsableKeyTheModelFileIsWritten)
{
    // The store's folder lies below a plain file: no key can be made.
    ASSERT_TRUE(testing_support::writeText(store.dir.path() + "/blocker", "x"));
    ScopedEnv config("XDG_CONFIG_HOME", store.dir.path() + "/blocker/config");
    const char* const texts[7] = {"THIS UNIT BELONGS TO", "THE SURVEY TEAM", "", "", "", "", ""};
    setLines(texts);
    saveLines();
    EXPECT_EQ(testing_support::readText(model.path),
              "[WARNING]\r\nText-1=THIS UNIT BELONGS TO\r\nText-2=THE SURVEY TEAM\r\nText-3=\r\n"
              "Text-4=\r\nText-5=\r\nText-6=\r\nText-7=\r\n");
    for (int i = 0; i < 7; ++i)
        std::strcpy(warningLines.lines[i], "x");
    EXPECT_EQ(loadLines(), 20 + 15 + 6);
    EXPECT_STREQ(warningLines.lines[0], "THIS UNIT BELONGS TO");
    EXPECT_STREQ(warningLines.lines[2], "");
}

TEST_F(LineStorage, ReadOnlyModelFileKeepsItsBytes)
{
    ASSERT_TRUE(testing_support::writeText(store.dir.path() + "/blocker", "x"));
    ScopedEnv config("XDG_CONFIG_HOME", store.dir.path() + "/blocker/config");
    const std::string before = "[GPS]\nGps-1=Model A\n";
    ASSERT_TRUE(testing_support::writeText(model.path, before));
    ASSERT_EQ(::chmod(model.path.c_str(), 0444), 0);
    const char* const texts[7] = {"a", "b", "c", "d", "e", "f", "g"};
    setLines(texts);
    saveLines();
    EXPECT_EQ(testing_support::readText(model.path), before);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(model.dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(LineStorage, ReadOnlyKeyStoresTheLinesNowhere)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    storeValue("Text-1", std::string("kept") + '\0');
    for (const std::string& folder : {store.dir.path() + "/config", store.dir.path() + "/config/Zarnek",
                                      store.keyFolder()})
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((store.keyFolder() + "/values").c_str(), 0644), 0);
    const std::string modelPath = model.path;
    const int code = testing_support::runUnprivileged([&] {
        const char* const texts[7] = {"new", "b", "c", "d", "e", "f", "g"};
        setLines(texts);
        saveLines();
        // The key opened for reading, so the model file was not used.
        return testing_support::exists(modelPath) ? 1 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(storedValue("Text-1"), "kept");
    EXPECT_EQ(storedValue("Text-2"), "<missing>");
}

} // namespace

#else

TEST(LineStorage, NeedsThePosixStore)
{
    GTEST_SKIP() << "these checks use the POSIX per-user store in a private XDG_CONFIG_HOME; "
                    "on Windows the settings live in the registry";
}

#endif
