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

using namespace config_test;
namespace fs = std::filesystem;
using Texts = const char* const[7];

class LineStorage : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = warningLines;
        fill("stale");
    }
    void TearDown() override { warningLines = saved_; }

    static void fill(const char* text)
    {
        for (int i = 0; i < WarningLines::kCount; ++i)
            std::snprintf(warningLines.lines[i], WarningLines::kBufferSize, "%s", text);
    }
    static void setLines(Texts& texts)
    {
        for (int i = 0; i < 7; ++i)
            std::strcpy(warningLines.lines[i], texts[i]);
    }
    static void expectLines(Texts& texts)
    {
        for (int i = 0; i < 7; ++i)
            EXPECT_STREQ(warningLines.lines[i], texts[i]) << "line " << i + 1;
    }
    static std::string text(int n) { return "Text-" + std::to_string(n); }
    // The store's folder lies below a plain file: no key can be made.
    ScopedEnv blockStore()
    {
        EXPECT_TRUE(testing_support::writeText(store.dir.path() + "/blocker", "x"));
        return ScopedEnv("XDG_CONFIG_HOME", store.dir.path() + "/blocker/config");
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
    EXPECT_EQ(loadLines(), 20 + 15 + 29 + 6);
    const std::string cut = thirty.substr(0, 29); // a model-file value arrives cut to 29
    Texts expected = {"THIS UNIT BELONGS TO", "THE SURVEY TEAM", "", "", cut.c_str(), "", ""};
    expectLines(expected);
    EXPECT_FALSE(fs::exists(store.dir.path() + "/config/Zarnek"));
}

TEST_F(LineStorage, AllLinesEmptyGivesSix)
{
    EXPECT_EQ(loadLines(), 6) << "no key and no model file";
    Texts empty = {"", "", "", "", "", "", ""};
    expectLines(empty);
    for (int i = 1; i <= 7; ++i)
        ASSERT_TRUE(storeRaw(text(i).c_str(), sz("")));
    EXPECT_EQ(loadLines(), 6) << "seven empty values in the key";
}

TEST_F(LineStorage, KeyTakesPrecedenceOverTheModelFile)
{
    ASSERT_TRUE(testing_support::writeText(model.path, "[WARNING]\nText-1=from file\nText-2=file two\n"));
    ASSERT_TRUE(storeRaw("Text-1", sz("from key")));
    EXPECT_EQ(loadLines(), 8 + 6);
    Texts expected = {"from key", "", "", "", "", "", ""};
    expectLines(expected);
}

TEST_F(LineStorage, LengthLimitsOfKeyValues)
{
    const std::string thirty(30, 'a');
    ASSERT_TRUE(storeRaw("Text-1", sz(thirty)));
    EXPECT_EQ(loadLines(), 30 + 6);
    EXPECT_EQ(std::string(warningLines.lines[0]), thirty);

    ASSERT_TRUE(storeRaw("Text-1", sz(std::string(31, 'b'))));
    EXPECT_EQ(loadLines(), 0);
    EXPECT_EQ(std::string(warningLines.lines[0]), std::string(31, 'b'));

    // 255 characters: the line keeps its first 31 and the next line is untouched.
    std::string longest(255, 'c');
    longest[30] = 'X';
    longest[31] = 'Y';
    ASSERT_TRUE(storeRaw("Text-3", sz(longest)));
    ASSERT_TRUE(storeRaw("Text-4", sz("next")));
    ASSERT_TRUE(storeRaw("Text-1", sz("short")));
    EXPECT_EQ(loadLines(), 0);
    EXPECT_EQ(std::string(warningLines.lines[2]), longest.substr(0, 31));
    EXPECT_STREQ(warningLines.lines[3], "next");
    EXPECT_EQ(warningLines.lineEnds[0], 5);
    EXPECT_EQ(warningLines.lineEnds[1], 6);

    // Over 255 characters cannot be read at all: an empty line.
    ASSERT_TRUE(storeRaw("Text-3", sz(std::string(256, 'd'))));
    EXPECT_EQ(loadLines(), 5 + 4 + 6);
    EXPECT_STREQ(warningLines.lines[2], "");

    ASSERT_TRUE(storeRaw("Text-3", "no nul"));
    EXPECT_EQ(loadLines(), 5 + 6 + 4 + 6);
    EXPECT_STREQ(warningLines.lines[2], "no nul");
}

TEST_F(LineStorage, SaveCreatesTheKeyAndLeavesTheModelFileAlone)
{
    const std::string before = "[WARNING]\r\nText-1=old\r\n";
    ASSERT_TRUE(testing_support::writeText(model.path, before));
    Texts texts = {"ONE", "", "TH\xc9 THREE", "  four  ", "", "", "seven=7;"};
    setLines(texts);
    saveLines();
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(loadRaw(text(i).c_str()), sz(texts[i - 1]));
    EXPECT_EQ(testing_support::readText(model.path), before);
    fill("x");
    EXPECT_EQ(loadLines(), 3 + 9 + 8 + 8 + 6);
    expectLines(texts);
}

TEST_F(LineStorage, WithoutAUsableKeyTheModelFileIsWritten)
{
    ScopedEnv blocked = blockStore();
    Texts texts = {"THIS UNIT BELONGS TO", "THE SURVEY TEAM", "", "", "", "", ""};
    setLines(texts);
    saveLines();
    EXPECT_EQ(testing_support::readText(model.path),
              "[WARNING]\r\nText-1=THIS UNIT BELONGS TO\r\nText-2=THE SURVEY TEAM\r\nText-3=\r\n"
              "Text-4=\r\nText-5=\r\nText-6=\r\nText-7=\r\n");
    fill("x");
    EXPECT_EQ(loadLines(), 20 + 15 + 6);
    expectLines(texts);
}

TEST_F(LineStorage, ReadOnlyModelFileKeepsItsBytes)
{
    ScopedEnv blocked = blockStore();
    const std::string before = "[GPS]\nGps-1=Model A\n";
    ASSERT_TRUE(testing_support::writeText(model.path, before));
    ASSERT_EQ(::chmod(model.path.c_str(), 0444), 0);
    Texts texts = {"a", "b", "c", "d", "e", "f", "g"};
    setLines(texts);
    saveLines();
    EXPECT_EQ(testing_support::readText(model.path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(model.dir.path()), fs::directory_iterator()), 1);
}

TEST_F(LineStorage, ReadOnlyKeyStoresTheLinesNowhere)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    ASSERT_TRUE(storeRaw("Text-1", sz("kept")));
    ASSERT_TRUE(shareKeyReadOnly(store));
    const std::string modelPath = model.path;
    const int code = testing_support::runUnprivileged([&] {
        Texts texts = {"new", "b", "c", "d", "e", "f", "g"};
        setLines(texts);
        saveLines();
        // The key opened for reading, so the model file was not used.
        return testing_support::exists(modelPath) ? 1 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(loadRaw("Text-1"), sz("kept"));
    EXPECT_EQ(loadRaw("Text-2"), "<2>");
}

} // namespace

#else

TEST(LineStorage, NeedsThePosixStore)
{
    GTEST_SKIP() << "uses the POSIX per-user store; on Windows the settings live in the registry";
}

#endif
