// Remembering the seven warning lines: the per-user key first, the model
// file's "WARNING" section otherwise.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/model_file.h"
#include "engine/line_check.h"
#include "engine/line_storage.h"
#include "tests/config/config_env.h"
#include "tests/support/line_cases.h"
#include "tests/support/test_helpers.h"

namespace {

// Each text of the table, stored in the model file's "WARNING" section and
// then in the per-user key (which, once made, hides the model file), comes
// back whole with the verdict of the same text typed.
void expectStoredVerdicts(const std::string& modelPath)
{
    using config_test::storeRaw;
    using config_test::sz;
    std::vector<testing_support::LineCase> cases = testing_support::lineCases();
    cases.push_back({std::string(255, 'c'), LineFaultKind::TooLong, std::string(29, 'c'), 255});
    for (const bool inKey : {false, true}) {
        for (const testing_support::LineCase& c : cases) {
            if (!(inKey ? c.storable() : c.inModelFile()))
                continue;
            SCOPED_TRACE((inKey ? "key: " : "model file: ") + c.utf8);
            if (inKey) {
                ASSERT_TRUE(storeRaw("Text-2", sz(c.ansi())));
            } else {
                ASSERT_TRUE(testing_support::writeText(modelPath, "[WARNING]\nText-2=" + c.ansi() + "\n"));
                dropModelFileCache();
            }
            const StoredLines stored = loadLines();
            const LineCheck typed = checkUtf8Line(c.utf8);
            EXPECT_EQ(stored.texts[1], c.ansi());
            EXPECT_EQ(stored.checks[1].fault.kind, c.fault);
            EXPECT_EQ(stored.checks[1].fault.length, c.length);
            EXPECT_EQ(stored.checks[1].fault.character, c.character);
            EXPECT_EQ(stored.checks[1].line, typed.line);
            EXPECT_EQ(stored.firstRefused(), c.fault == LineFaultKind::None ? -1 : 1);
        }
    }
}

} // namespace

#ifndef _WIN32

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "config/reg_key.h"
#include "engine/warning_lines.h"

namespace {

using namespace config_test;
namespace fs = std::filesystem;
using Texts = const char* const[7];

class LineStorage : public ::testing::Test {
protected:
    void SetUp() override { saved_ = warningLines; }
    void TearDown() override { warningLines = saved_; }

    static void setLines(Texts& texts)
    {
        for (int i = 0; i < 7; ++i) {
            const LineCheck check = checkAnsiLine(texts[i]);
            ASSERT_TRUE(check.ok()) << texts[i];
            warningLines.setLine(i, check.line);
        }
    }
    // The store holds `texts`, and the line check takes every one as it is.
    static void expectLines(const StoredLines& stored, Texts& texts)
    {
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(stored.texts[i], texts[i]) << "line " << i + 1;
            EXPECT_TRUE(stored.checks[i].ok()) << "line " << i + 1;
            EXPECT_EQ(stored.checks[i].line.text(), texts[i]) << "line " << i + 1;
        }
        EXPECT_EQ(stored.firstRefused(), -1);
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
    ASSERT_TRUE(testing_support::writeText(
        model.path, "[WARNING]\r\nText-1=THIS UNIT BELONGS TO\r\ntext-2=  THE SURVEY TEAM  \r\n"
                    "Text-3=\r\n"));
    Texts expected = {"THIS UNIT BELONGS TO", "THE SURVEY TEAM", "", "", "", "", ""};
    expectLines(loadLines(), expected);
    EXPECT_FALSE(fs::exists(store.dir.path() + "/config/Zarnek"));
}

TEST_F(LineStorage, AllLinesEmpty)
{
    Texts empty = {"", "", "", "", "", "", ""};
    expectLines(loadLines(), empty); // no key and no model file
    for (int i = 1; i <= 7; ++i)
        ASSERT_TRUE(storeRaw(text(i).c_str(), sz("")));
    expectLines(loadLines(), empty); // seven empty values in the key
}

TEST_F(LineStorage, KeyTakesPrecedenceOverTheModelFile)
{
    ASSERT_TRUE(testing_support::writeText(model.path, "[WARNING]\nText-1=from file\nText-2=file two\n"));
    ASSERT_TRUE(storeRaw("Text-1", sz("from key")));
    Texts expected = {"from key", "", "", "", "", "", ""};
    expectLines(loadLines(), expected);
}

// Either store gives a line whole, and the line check judges it as it judges
// the same text typed: an over-long one is refused for its length, never cut.
TEST_F(LineStorage, EveryStoredValueIsReadWholeAndGetsTheVerdictOfTheSameTextTyped)
{
    expectStoredVerdicts(model.path);
}

TEST_F(LineStorage, KeyValuesTooLongToReadAreEmptyLines)
{
    ASSERT_TRUE(storeRaw("Text-1", sz("short")));
    ASSERT_TRUE(storeRaw("Text-3", sz(std::string(256, 'd'))));
    ASSERT_TRUE(storeRaw("Text-4", "no nul"));
    const StoredLines stored = loadLines();
    EXPECT_EQ(stored.texts[0], "short");
    EXPECT_EQ(stored.texts[2], "");
    EXPECT_EQ(stored.texts[3], "no nul");
    EXPECT_EQ(stored.firstRefused(), -1);
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
    expectLines(loadLines(), texts);
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
    expectLines(loadLines(), texts);
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

#include <windows.h>

// The registry gives each stored text the verdict of the same text typed.
TEST(LineStorageRegistry, EveryStoredValueIsReadWholeAndGetsTheVerdictOfTheSameTextTyped)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix");
    {
        config_test::PrivateModelFile model;
        expectStoredVerdicts(model.path);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix");
}

#endif
