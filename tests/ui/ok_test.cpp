// OK: the real patch run on generated firmware.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ui/dialog_fixture.h"

using namespace ui;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::readText;
using testing_support::writeText;

namespace {
bool contains(const std::vector<unsigned char>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}
} // namespace

using OkTest = DialogFixture;

TEST_F(OkTest, NoGpsSelectedWarnsAndChangesNothing)
{
    for (bool withModels : {true, false}) {
        SCOPED_TRACE(withModels ? "with models" : "no model file");
        restart();
        boxes->messages.clear();
        if (withModels)
            writeFirmwareModel();
        createAndTick();
        pressPage();
        window->events.clear();
        EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
        ASSERT_EQ(boxes->messages.size(), 1u);
        EXPECT_EQ(boxes->messages[0].text, "No Gps selected");
        EXPECT_EQ(boxes->messages[0].caption, "Zarnek Wendrix");
        EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbOk | platform::MbIconWarning));
        EXPECT_EQ(boxes->messages[0].owner, window->handle());
        EXPECT_FALSE(window->ended);
        EXPECT_EQ(dialogState, kStateLines);
        EXPECT_TRUE(window->events.empty());
        EXPECT_FALSE(exists(root.file("prog/wendrix.LOG")));
    }
}

TEST_F(OkTest, NoSelectionAtAllIsTreatedAsNoGps)
{
    writeFirmwareModel();
    openOnModel(1);
    window->typeInList("Etrex typed by hand");
    mainDialogCommand(*window, IdOk, NotifyNone);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"No Gps selected"}));
    EXPECT_FALSE(window->ended);
    // No patch run: nothing logged, the firmware untouched.
    EXPECT_FALSE(exists(root.file("prog/wendrix.LOG")));
    EXPECT_FALSE(exists(work("fw.org")));
}

TEST_F(OkTest, FailedPatchRunKeepsTheDialogAndASuccessfulOneEndsItWithOne)
{
    writeFirmwareModel(); // but no UPDATER.EXE in the current directory yet
    createAndTick();
    pressPage();
    window->type(IdFirstEdit, "PROPERTY OF");
    window->type(IdFirstEdit + 1, "JANE DOE");
    window->choose(1);
    const std::string status = statusText;

    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    EXPECT_FALSE(window->ended);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->selection, 1);
    EXPECT_EQ(std::string(statusText), status);
    EXPECT_TRUE(window->enabled(IdOk));
    ASSERT_FALSE(boxes->messages.empty());
    EXPECT_EQ(boxes->messages.back().text.rfind("Cannot find UPDATER.EXE", 0), 0u);
    std::vector<unsigned char> pristine, patched;
    ASSERT_TRUE(readBytes(work("fw.rgn"), patched));
    EXPECT_EQ(patched, firmware.bytes);

    // OK again once the uploader is there.
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, 1);
    ASSERT_TRUE(readBytes(work("fw.org"), pristine));
    ASSERT_TRUE(readBytes(work("fw.rgn"), patched));
    EXPECT_EQ(pristine, firmware.bytes);
    EXPECT_EQ(patched.size(), firmware.bytes.size());
    EXPECT_TRUE(contains(patched, "PROPERTY OF"));
    EXPECT_TRUE(contains(patched, "JANE DOE"));
    EXPECT_NE(readText(root.file("prog/wendrix.LOG")).find("Gps: Etrex"), std::string::npos);
    for (const auto& box : boxes->messages)
        EXPECT_EQ(box.owner, window->handle());
}

// Seven empty lines would blank every language's text: OK asks first, with
// No as the answer Enter gives; only Yes goes on to the patch run.
TEST_F(OkTest, SevenEmptyLinesAskFirstAndNoWritesNothing)
{
    const std::string question = "All seven lines are empty: the power-on page will show no text in any "
                                 "language. Write it anyway?";
    const struct {
        const char* line1;
        int answer;
        bool asked, written;
    } cases[] = {
        {"", platform::IdNo, true, false},
        {"", platform::IdYes, true, true},
        {"PROPERTY OF", platform::IdNo, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line1) + (c.answer == platform::IdYes ? ", Yes" : ", No"));
        restart();
        boxes->messages.clear();
        writeFirmwareModel();
        ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
        answerYesNo = c.answer;
        openOnModel(1);
        window->type(IdFirstEdit, c.line1);
        EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
        ASSERT_FALSE(boxes->messages.empty());
        EXPECT_EQ(boxes->messages[0].text == question, c.asked) << boxes->messages[0].text;
        if (c.asked) {
            EXPECT_EQ(boxes->messages[0].style,
                      unsigned(platform::MbYesNo | platform::MbIconWarning | platform::MbDefButton2));
            EXPECT_EQ(boxes->messages[0].owner, window->handle());
        }
        EXPECT_EQ(window->ended, c.written);
        EXPECT_EQ(exists(work("fw.org")), c.written);
        EXPECT_EQ(exists(root.file("prog/wendrix.LOG")), c.written);
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
        EXPECT_EQ(bytes == firmware.bytes, !c.written);
    }
}
