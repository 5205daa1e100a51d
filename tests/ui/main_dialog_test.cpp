// The main dialog's states and handlers on a fake window, with the real
// model file, line storage and patch run underneath.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "config/reg_key.h"
#include "engine/warning_lines.h"
#include "tests/ui/dialog_fixture.h"
#include "ui/main_dialog.h"
#include "ui/startup.h"

using namespace ui;

namespace {

const char* const kDisclaimer[] = {"WARNING",          "Wendrix is a third",      "party program.",
                                   "You assume total", "responsibility and risk", "associated with",
                                   "using this program."};

std::size_t indexOf(const std::vector<std::string>& events, const std::string& event)
{
    return static_cast<std::size_t>(std::find(events.begin(), events.end(), event) - events.begin());
}

} // namespace

using CreationTest = DialogFixture;

TEST_F(CreationTest, StartsOnTheDisclaimerPageWithEverythingButPageAndEditsDisabled)
{
    int picture = 0, icon = 0;
    warningBitmap = &picture;
    appIcon = &icon;
    mainDialogCreate(*window, kStateDisclaimer);
    warningBitmap = appIcon = nullptr;

    EXPECT_EQ(dialogState, kStateDisclaimer);
    EXPECT_STREQ(statusText, "Press page to continue ...");
    EXPECT_EQ(window->text(IdStatus), "Press page to continue ...");
    EXPECT_FALSE(window->enabled(IdOk));
    EXPECT_FALSE(window->enabled(IdModelList));
    EXPECT_TRUE(window->enabled(IdPage));
    EXPECT_FALSE(window->hidden(IdPage));
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(window->enabled(IdFirstEdit + i));
        EXPECT_EQ(window->text(IdFirstEdit + i), "");
        EXPECT_EQ(window->text(IdFirstPreview + i), kDisclaimer[i]);
    }
    EXPECT_EQ(window->pictures[IdPicture], &picture);
    EXPECT_EQ(window->icon, &icon);
    // The caption and the list wait for the first tick.
    EXPECT_EQ(window->caption, "");
    EXPECT_TRUE(window->list.empty());
    EXPECT_TRUE(window->timerArmed);
    EXPECT_EQ(window->timerPeriod, 100u);
}

TEST_F(CreationTest, WindowMenuGetsUpdateAboveAboutAndLosesSizing)
{
    mainDialogCreate(*window, kStateDisclaimer);
    EXPECT_TRUE(window->menuTrimmed);
    ASSERT_EQ(window->menu.size(), 2u);
    EXPECT_EQ(window->menu[0], (std::pair<std::string, int>{"Update Wendrix", 1004}));
    EXPECT_EQ(window->menu[1], (std::pair<std::string, int>{"About Wendrix", 1000}));
}

TEST_F(CreationTest, CentresTheWindowOnTheScreen)
{
    window->rect = {0, 0, 504, 313};
    mainDialogCreate(*window, kStateDisclaimer);
    ASSERT_EQ(window->moves.size(), 1u);
    EXPECT_EQ(window->moves[0], (std::pair<int, int>{(1024 - 504) / 2, (768 - 313) / 2}));
}

using TimerTest = DialogFixture;

TEST_F(TimerTest, FirstTickFillsTheListSetsCaptionAndFontAndDisablesEdits)
{
    writeThreeModels();
    int font = 0;
    previewFont = &font;
    mainDialogCreate(*window, kStateDisclaimer);
    ASSERT_TRUE(window->tick());
    previewFont = nullptr;

    EXPECT_FALSE(window->timerArmed); // one-shot
    EXPECT_EQ(window->caption, "Zarnek Wendrix");
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(window->selection, 0);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(window->fonts[IdFirstPreview + i], &font);
        EXPECT_FALSE(window->enabled(IdFirstEdit + i));
        EXPECT_EQ(window->text(IdFirstPreview + i), kDisclaimer[i]);
    }
    // Nothing else changes: still the disclaimer page.
    EXPECT_EQ(dialogState, kStateDisclaimer);
    EXPECT_STREQ(statusText, "Press page to continue ...");
    EXPECT_FALSE(window->enabled(IdOk));
    EXPECT_FALSE(window->enabled(IdModelList));
    EXPECT_FALSE(window->tick()); // no second tick
}

TEST_F(TimerTest, OtherTimersAreIgnored)
{
    writeThreeModels();
    mainDialogCreate(*window, kStateDisclaimer);
    mainDialogTimer(*window, 2);
    EXPECT_TRUE(window->timerArmed);
    EXPECT_TRUE(window->list.empty());
    EXPECT_EQ(window->caption, "");
}

TEST_F(TimerTest, ListStopsAtTheFirstGapInTheModelNumbers)
{
    writeModelFile("[GPS]\r\nGps-1=One\r\nGps-2=Two\r\nGps-4=Four\r\n");
    createAndTick();
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "One", "Two"}));
}

TEST_F(TimerTest, ListStopsAtAnEmptyValue)
{
    writeModelFile("[GPS]\r\nGps-1=One\r\nGps-2=\r\nGps-3=Three\r\n");
    createAndTick();
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "One"}));
}

TEST_F(TimerTest, MissingModelFileLeavesOnlyNoGpsAndOkRefuses)
{
    createAndTick();
    pressPage();
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps"}));
    mainDialogCommand(*window, IdOk, NotifyNone);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"No Gps selected"}));
    EXPECT_FALSE(window->ended);
}

TEST_F(TimerTest, LongModelNamesAreCutTo59Characters)
{
    const std::string name(70, 'M');
    writeModelFile("[GPS]\r\nGps-1=" + name + "\r\n");
    createAndTick();
    ASSERT_EQ(window->list.size(), 2u);
    EXPECT_EQ(window->list[1], name.substr(0, 59));
}

using PageTest = DialogFixture;

TEST_F(PageTest, LoadsStoredLinesIntoEditsAndPreviewsAndHidesItself)
{
    writeModelFile("[GPS]\r\nGps-1=Alpha\r\n[WARNING]\r\nText-1=PROPERTY OF\r\nText-2=\r\n"
                   "Text-3=J. SMITH\r\nText-7=LAST\r\n");
    createAndTick();
    pressPage();

    const char* expected[] = {"PROPERTY OF", "", "J. SMITH", "", "", "", "LAST"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(window->text(IdFirstEdit + i), expected[i]) << i;
        EXPECT_EQ(window->text(IdFirstPreview + i), expected[i]) << i;
        EXPECT_STREQ(warningLines.lineText(i), expected[i]);
        EXPECT_TRUE(window->enabled(IdFirstEdit + i));
    }
    EXPECT_TRUE(window->hidden(IdPage));
    EXPECT_TRUE(window->enabled(IdOk));
    EXPECT_TRUE(window->enabled(IdModelList));
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_STREQ(statusText, "Select a GPS model ...");
    EXPECT_EQ(window->text(IdStatus), "Select a GPS model ...");
}

TEST_F(PageTest, EachEditChangeRunsBetweenSettingTheEditAndEnablingIt)
{
    writeModelFile("[WARNING]\r\nText-1=A\r\nText-2=B\r\n");
    createAndTick();
    window->events.clear();
    pressPage();
    const auto& ev = window->events;
    for (int i = 0; i < 7; ++i) {
        const std::string line = i == 0 ? "A" : i == 1 ? "B" : "";
        const std::size_t setEdit = indexOf(ev, "text " + std::to_string(IdFirstEdit + i) + " " + line);
        const std::size_t preview =
            indexOf(ev, "text " + std::to_string(IdFirstPreview + i) + " " + line);
        const std::size_t enable = indexOf(ev, "enable " + std::to_string(IdFirstEdit + i));
        ASSERT_LT(enable, ev.size()) << i;
        EXPECT_LT(setEdit, preview) << i;
        EXPECT_LT(preview, enable) << i;
        if (i > 0) { // line by line, in order
            EXPECT_LT(indexOf(ev, "enable " + std::to_string(IdFirstEdit + i - 1)), setEdit);
        }
    }
}

TEST_F(PageTest, NoStoredLinesEmptiesEveryPreview)
{
    createAndTick();
    pressPage();
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(window->text(IdFirstPreview + i), "") << i;
        EXPECT_EQ(window->text(IdFirstEdit + i), "") << i;
    }
}

TEST_F(PageTest, StoredLineOf31CharactersIsCutTo29InLineAndPreviewOnly)
{
    const std::string line31 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ12345";
    ASSERT_EQ(line31.size(), 31u);
    {
        RegKey key;
        ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
        key.setString("Text-2", line31.c_str());
    }
    createAndTick();
    pressPage();
    EXPECT_EQ(window->text(IdFirstEdit + 1), line31);
    EXPECT_EQ(window->text(IdFirstPreview + 1), line31.substr(0, 29));
    EXPECT_EQ(std::string(warningLines.lineText(1)), line31.substr(0, 29));
}

using EditTest = DialogFixture;

TEST_F(EditTest, ThirtyFiveTypedCharactersKeep29InLineAndPreview)
{
    createAndTick();
    pressPage();
    const std::string typed = "0123456789abcdefghijklmnopqrstuvwxy";
    ASSERT_EQ(typed.size(), 35u);
    window->type(IdFirstEdit + 4, typed);
    EXPECT_EQ(window->text(IdFirstEdit + 4), typed);
    EXPECT_EQ(window->text(IdFirstPreview + 4), typed.substr(0, 29));
    EXPECT_EQ(std::string(warningLines.lineText(4)), typed.substr(0, 29));
    // lineEnds follows: six empty lines and one of 29.
    EXPECT_EQ(warningLines.lineEnds[6], 29 + 6);
}

TEST_F(EditTest, ChangesReachTheLinesInEveryState)
{
    createAndTick();
    // Before "Page" the disabled edits can still be set from the program.
    window->type(IdFirstEdit, "early");
    EXPECT_STREQ(warningLines.lineText(0), "early");
    EXPECT_EQ(window->text(IdFirstPreview), "early");
}

TEST_F(EditTest, OnlyTheChangeNotificationSetsTheLine)
{
    createAndTick();
    pressPage();
    window->type(IdFirstEdit + 2, "abc");
    window->editSilently(IdFirstEdit + 2, "changed");
    mainDialogCommand(*window, IdFirstEdit + 2, 0x0100); // focus, not a change
    EXPECT_STREQ(warningLines.lineText(2), "abc");
    EXPECT_EQ(window->text(IdFirstPreview + 2), "abc");
    mainDialogCommand(*window, IdFirstEdit + 2, NotifyEditChange);
    EXPECT_STREQ(warningLines.lineText(2), "changed");
    EXPECT_EQ(window->text(IdFirstPreview + 2), "changed");
}

using SelectionTest = DialogFixture;

TEST_F(SelectionTest, ModelWithReleaseLabelMovesToStateTwo)
{
    writeThreeModels();
    createAndTick();
    pressPage();
    window->choose(1);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(std::string(statusText), modelStatus("2.40"));
    EXPECT_EQ(window->text(IdStatus), modelStatus("2.40"));
}

TEST_F(SelectionTest, MissingReleaseShowsQuestionMarksAndEmptyShowsNothing)
{
    writeThreeModels();
    createAndTick();
    pressPage();
    window->choose(2);
    EXPECT_EQ(std::string(statusText), modelStatus("??"));
    window->choose(3);
    EXPECT_EQ(std::string(statusText), modelStatus(""));
    EXPECT_EQ(dialogState, kStateModel);
}

TEST_F(SelectionTest, NoGpsOrNoSelectionGoesBackToStateOne)
{
    writeThreeModels();
    createAndTick();
    pressPage();
    window->choose(1);
    window->choose(0);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_STREQ(statusText, "Select a GPS model ...");
    window->choose(2);
    ASSERT_EQ(dialogState, kStateModel);
    window->choose(-1);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_EQ(window->text(IdStatus), "Select a GPS model ...");
}

TEST_F(SelectionTest, OtherNotificationsAreIgnored)
{
    writeThreeModels();
    createAndTick();
    pressPage();
    window->selection = 1;
    mainDialogCommand(*window, IdModelList, 5); // edit change in the list's field
    EXPECT_EQ(dialogState, kStateLines);
}

TEST_F(SelectionTest, VanishedModelKeyShowsQuestionMarks)
{
    writeThreeModels();
    createAndTick();
    pressPage();
    writeModelFile("[GPS]\r\nGps-1=Alpha\r\n[Alpha]\r\nRel=2.40\r\n");
    window->choose(3);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(std::string(statusText), modelStatus("??"));
}

TEST_F(SelectionTest, TooLongReleaseLabelIsCutAtTheEndOfTheStatusText)
{
    const std::string label(59, 'R');
    writeModelFile("[GPS]\r\nGps-1=Long\r\n[Long]\r\nRel=" + label + "\r\n");
    createAndTick();
    pressPage();
    window->choose(1);
    const std::string full = modelStatus(label);
    ASSERT_GT(full.size(), 83u);
    EXPECT_EQ(std::strlen(statusText), 83u);
    EXPECT_EQ(std::string(statusText), full.substr(0, 83));
    EXPECT_EQ(window->text(IdStatus), full.substr(0, 83));
}

TEST_F(SelectionTest, LabelOf48CharactersStillFitsWhole)
{
    const std::string label(48, 'r');
    writeModelFile("[GPS]\r\nGps-1=Fit\r\n[Fit]\r\nRel=" + label + "\r\n");
    createAndTick();
    pressPage();
    window->choose(1);
    EXPECT_EQ(std::string(statusText), modelStatus(label));
    EXPECT_EQ(std::strlen(statusText), 83u);
}

using CancelTest = DialogFixture;

TEST_F(CancelTest, EndsWithZeroAndStopsTheTimerInAnyState)
{
    mainDialogCreate(*window, kStateDisclaimer);
    ASSERT_TRUE(window->timerArmed);
    EXPECT_TRUE(mainDialogCommand(*window, IdCancel, NotifyNone));
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, 0);
    EXPECT_FALSE(window->timerArmed);
}

TEST_F(CancelTest, OnlyOkAndCancelAnswerHandled)
{
    writeThreeModels();
    createAndTick();
    EXPECT_FALSE(mainDialogCommand(*window, IdPage, NotifyNone));
    EXPECT_FALSE(mainDialogCommand(*window, IdFirstEdit, NotifyEditChange));
    EXPECT_FALSE(mainDialogCommand(*window, IdModelList, NotifyListSelChange));
    EXPECT_FALSE(mainDialogCommand(*window, 4711, NotifyNone));
    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
}

using MenuCommandTest = DialogFixture;

TEST_F(MenuCommandTest, AboutRunsTheAboutBoxEachTime)
{
    createAndTick();
    EXPECT_TRUE(mainDialogSysCommand(*window, CmdAbout));
    EXPECT_TRUE(mainDialogSysCommand(*window, 0x12340000 | CmdAbout)); // low 16 bits count
    EXPECT_EQ(window->aboutBoxes, 2);
}

TEST_F(MenuCommandTest, OtherCommandsAreLeftToTheToolkit)
{
    createAndTick();
    EXPECT_FALSE(mainDialogSysCommand(*window, 0xF060)); // SC_CLOSE
    EXPECT_FALSE(mainDialogSysCommand(*window, 1001));
    EXPECT_EQ(window->aboutBoxes, 0);
    EXPECT_FALSE(window->ended);
}
