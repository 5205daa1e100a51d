// The main dialog's states and handlers on a fake window, with the real
// model file, line storage and patch run underneath.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/reg_key.h"
#include "engine/line_check.h"
#include "platform/cp1252.h"
#include "tests/support/line_cases.h"
#include "tests/ui/dialog_fixture.h"
#include "ui/startup.h"

using namespace ui;
using Strings = std::vector<std::string>;

class MainDialogTest : public DialogFixture {
protected:
    // Position of `event` in what the window was asked to do (size() when absent).
    std::size_t at(const std::string& event) const
    {
        const auto& ev = window->events;
        return static_cast<std::size_t>(std::find(ev.begin(), ev.end(), event) - ev.begin());
    }
    void expectStatus(std::int32_t state, const std::string& status)
    {
        EXPECT_EQ(dialogState, state);
        EXPECT_EQ(std::string(statusText), status);
        EXPECT_EQ(window->text(IdStatus), status);
    }
};

TEST_F(MainDialogTest, CreationShowsTheDisclaimerPageAndTheFirstTickFillsTheList)
{
    writeThreeModels();
    int picture = 0, icon = 0, font = 0;
    warningBitmap = &picture;
    appIcon = &icon;
    previewFont = &font;
    mainDialogCreate(*window, kStateDisclaimer);
    EXPECT_EQ(window->pictures[IdPicture], &picture);
    EXPECT_EQ(window->icon, &icon);
    EXPECT_TRUE(window->menuTrimmed); // sizing commands gone, Update above About
    EXPECT_EQ(window->menu, (std::vector<std::pair<std::string, int>>{{"Update Wendrix", 1004}, {"About Wendrix", 1000}, {"Check lines", 1008}, {"Add firmware\x85", 1012}}));
    EXPECT_EQ(window->moves, (std::vector<std::pair<int, int>>{{(1024 - 504) / 2, (768 - 313) / 2}})); // centred
    EXPECT_TRUE(window->timerArmed);
    EXPECT_EQ(window->timerPeriod, 100u);

    for (bool ticked : {false, true}) {
        SCOPED_TRACE(ticked ? "after the first tick" : "before the first tick");
        expectStatus(kStateDisclaimer, "Press page to continue ...");
        EXPECT_FALSE(window->enabled(IdOk));
        EXPECT_FALSE(window->enabled(IdModelList));
        EXPECT_TRUE(window->enabled(IdPage));
        EXPECT_FALSE(window->hidden(IdPage));
        EXPECT_EQ(window->focused, IdPage); // Enter and Space go on from the disclaimer
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(window->enabled(IdFirstEdit + i), !ticked);
            EXPECT_EQ(window->text(IdFirstEdit + i), "");
            EXPECT_EQ(window->text(IdFirstPreview + i), kDisclaimer[i]);
            EXPECT_EQ(window->fonts[IdFirstPreview + i], ticked ? &font : nullptr);
        }
        EXPECT_EQ(window->caption, ticked ? "Zarnek Wendrix" : "");
        EXPECT_EQ(window->list, (ticked ? Strings{"No Gps", "Alpha", "Beta", "Gamma"} : Strings{}));
        EXPECT_EQ(window->selection, ticked ? 0 : -1);
        mainDialogTimer(*window, 2); // other timers are ignored
        EXPECT_EQ(window->timerArmed, !ticked);
        ASSERT_EQ(window->tick(), !ticked); // one-shot
    }
    warningBitmap = appIcon = previewFont = nullptr;
}

TEST_F(MainDialogTest, ListEndsAtTheFirstMissingOrEmptyKey)
{
    const struct {
        const char* modelFile; // null: no model file
        Strings list;
    } cases[] = {
        {"[GPS]\r\nGps-1=One\r\nGps-2=Two\r\nGps-4=Four\r\n", {"No Gps", "One", "Two"}},
        {"[GPS]\r\nGps-1=One\r\nGps-2=\r\nGps-3=Three\r\n", {"No Gps", "One"}},
        {"[GPS]\r\nGps-2=Two\r\n", {"No Gps"}},
        {nullptr, {"No Gps"}},
        {"[GPS]\r\nGps-1=MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM\r\n",
         {"No Gps", std::string(59, 'M')}}, // names are read with room for 59 characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modelFile ? c.modelFile : "no model file");
        restart();
        if (c.modelFile)
            writeModelFile(c.modelFile);
        createAndTick();
        EXPECT_EQ(window->list, c.list);
    }
}

// The line under the status says what to do when the model file lists no
// model; with models it is empty.
TEST_F(MainDialogTest, TheFitLineNamesAMissingOrEmptyModelFileAndWhatToDo)
{
    const struct {
        const char* modelFile; // null: none; "/": a folder in its place
        std::string note;
    } cases[] = {
        {nullptr, "No wendrix.ini beside the program: choose Add firmware\x85 or Update Wendrix"},
        {"[GPS]\r\nDate=01.10.02\r\n", "wendrix.ini lists no models: choose Add firmware\x85 or Update Wendrix"},
        {"/", "wendrix.ini beside the program cannot be read: it is not a plain file"},
        {"[GPS]\r\nGps-1=Alpha\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modelFile ? c.modelFile : "no model file");
        restart();
        std::filesystem::remove_all(modelFilePath);
        if (c.modelFile && std::string(c.modelFile) == "/")
            std::filesystem::create_directory(modelFilePath);
        else if (c.modelFile)
            writeModelFile(c.modelFile);
        createAndTick();
        EXPECT_EQ(window->text(IdFitLine), c.note);
        EXPECT_FALSE(window->links[IdFitLine]);
        // The status keeps its own words.
        EXPECT_EQ(window->text(IdStatus), "Press page to continue ...");
        pressPage();
        EXPECT_EQ(window->text(IdFitLine), c.note);
        EXPECT_EQ(window->text(IdStatus), "Select a GPS model ...");
    }
    std::filesystem::remove_all(modelFilePath);
}

// Enter held while the window opens presses Page before the first tick: the
// tick that fills the list must not take the lines back, or they stay
// disabled for good and typing goes to the model list.
TEST_F(MainDialogTest, PageBeforeTheFirstTickKeepsTheLinesEnabled)
{
    writeThreeModels();
    mainDialogCreate(*window, kStateDisclaimer);
    pressPage();
    ASSERT_TRUE(window->tick());
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(window->enabled(IdFirstEdit + i)) << i;
    EXPECT_EQ(window->focused, IdFirstEdit);
    EXPECT_EQ(window->list, (Strings{"No Gps", "Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(window->caption, "Zarnek Wendrix");
    expectStatus(kStateLines, "Select a GPS model ...");
    EXPECT_TRUE(window->enabled(IdOk));
    EXPECT_TRUE(window->enabled(IdModelList));
}

TEST_F(MainDialogTest, PageLoadsStoredLinesLineByLineAndHidesItself)
{
    const struct {
        const char* modelFile;
        const char* userLine2; // in the per-user store
        Strings lines;         // what each field, preview and line then holds
        const char* refusal;   // the box that names a stored line the check refuses
    } cases[] = {
        {"[GPS]\r\nGps-1=Alpha\r\n[WARNING]\r\nText-1=PROPERTY OF\r\nText-2=\r\nText-3=J. SMITH\r\nText-7=LAST\r\n",
         nullptr, {"PROPERTY OF", "", "J. SMITH", "", "", "", "LAST"}, nullptr},
        {nullptr, nullptr, {"", "", "", "", "", "", ""}, nullptr},
        // 31 characters: refused as a typed line would be; the field takes its first 29.
        {nullptr, "ABCDEFGHIJKLMNOPQRSTUVWXYZ12345", {"", "ABCDEFGHIJKLMNOPQRSTUVWXYZ123", "", "", "", "", ""},
         "line 2 has 31 characters; a line holds at most 29"},
        // A control character: the field leaves it out.
        {nullptr, "RING\x1b[2J ME", {"", "RING[2J ME", "", "", "", "", ""},
         "line 2 holds the control character U+001B (ESC); a line holds only printable characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines[0] + "|" + c.lines[1]);
        restart();
        boxes->messages.clear();
        if (c.modelFile)
            writeModelFile(c.modelFile);
        if (c.userLine2) {
            RegKey key;
            ASSERT_EQ(key.openUser(kSettingsSubKey, 1), 0);
            key.setString("Text-2", c.userLine2);
        }
        createAndTick();
        window->events.clear();
        pressPage();
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE(i);
            const std::string edit = std::to_string(IdFirstEdit + i);
            const std::string line = c.lines[i];
            EXPECT_EQ(window->text(IdFirstEdit + i), line);
            EXPECT_EQ(window->text(IdFirstPreview + i), line);
            EXPECT_EQ(warningLines.lineText(i), line);
            EXPECT_TRUE(window->enabled(IdFirstEdit + i));
            // The edit's change handling runs between setting its text and enabling it.
            const std::size_t set = at("text " + edit + " " + line);
            const std::size_t preview = at("text " + std::to_string(IdFirstPreview + i) + " " + line);
            const std::size_t enable = at("enable " + edit);
            ASSERT_LT(enable, window->events.size());
            EXPECT_LT(set, preview);
            EXPECT_LT(preview, enable);
            if (i > 0) { // line by line, in order
                EXPECT_LT(at("enable " + std::to_string(IdFirstEdit + i - 1)), set);
            }
        }
        EXPECT_TRUE(window->hidden(IdPage));
        EXPECT_EQ(window->focused, IdFirstEdit); // moved off the hidden Page, to line 1
        EXPECT_LT(at("hide 1029"), at("focus 1052"));
        EXPECT_TRUE(window->enabled(IdOk));
        EXPECT_TRUE(window->enabled(IdModelList));
        expectStatus(kStateLines, "Select a GPS model ...");
        if (c.refusal) {
            ASSERT_EQ(boxes->messages.size(), 1u);
            EXPECT_EQ(boxes->messages[0].text, std::string("The stored lines cannot all be written as they are:\n") +
                                                   c.refusal +
                                                   "\nThe fields show what will be written: look at them before "
                                                   "you press OK.");
        } else {
            EXPECT_TRUE(boxes->messages.empty());
        }
    }
}

TEST_F(MainDialogTest, EditChangesSetTheLineAndPreviewInEveryState)
{
    createAndTick();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(window->limits[IdFirstEdit + i], 29) << "a field takes no more than a line holds";
    window->type(IdFirstEdit, "early"); // before "Page" the program can still set them
    EXPECT_STREQ(warningLines.lineText(0), "early");
    EXPECT_EQ(window->text(IdFirstPreview), "early");

    pressPage();
    // Whatever reaches a field past its limit (a text set by another program):
    // the field shows what will be written.
    const std::string typed = "0123456789abcdefghijklmnopqrstuvwxy"; // 35 characters
    window->type(IdFirstEdit + 4, typed);
    EXPECT_EQ(window->text(IdFirstEdit + 4), "0123456789abcdefghijklmnopqrs");
    EXPECT_EQ(window->text(IdFirstPreview + 4), "0123456789abcdefghijklmnopqrs");
    EXPECT_STREQ(warningLines.lineText(4), "0123456789abcdefghijklmnopqrs");
    EXPECT_EQ(warningLines.lineEnd(6), 29 + 6); // six empty lines and one of 29

    // Only the change notification takes the edit's text.
    window->editSilently(IdFirstEdit + 2, "changed");
    mainDialogCommand(*window, IdFirstEdit + 2, 0x0100); // focus
    EXPECT_STREQ(warningLines.lineText(2), "");
    mainDialogCommand(*window, IdFirstEdit + 2, NotifyEditChange);
    EXPECT_STREQ(warningLines.lineText(2), "changed");
    EXPECT_EQ(window->text(IdFirstPreview + 2), "changed");
}

// Whatever reaches a field, typed, pasted or set, the field shows what will be
// written and the note under the fields says what it changed: the verdict of
// the line check on the same text elsewhere.
TEST_F(MainDialogTest, EveryFieldShowsWhatWillBeWrittenAndSaysWhatItChanged)
{
    createAndTick();
    pressPage();
    for (const testing_support::LineCase& c : testing_support::lineCases()) {
        SCOPED_TRACE(c.utf8);
        window->type(IdFirstEdit + 2, "");
        EXPECT_EQ(window->text(IdLineNote), "") << "the note goes with its line";
        window->type(IdFirstEdit + 2, c.utf8);
        EXPECT_EQ(window->text(IdFirstEdit + 2), c.field);
        EXPECT_EQ(window->text(IdFirstPreview + 2), platform::cp1252::fromUtf8(c.field));
        EXPECT_EQ(warningLines.lineText(2), platform::cp1252::fromUtf8(c.field));
        const std::string note = window->text(IdLineNote);
        if (c.fault == LineFaultKind::None) {
            EXPECT_EQ(note, "");
        } else {
            EXPECT_EQ(note.rfind("Line 3: ", 0), 0u) << note;
        }
    }
    // A note stays while its line is edited on, and a change on another line
    // that needs none leaves it.
    window->type(IdFirstEdit, "\u0141ukasz");
    EXPECT_EQ(window->text(IdFirstEdit), "Lukasz");
    EXPECT_EQ(window->text(IdLineNote), "Line 1: L for \u0141 (not on the receiver)");
    window->type(IdFirstEdit, "Lukasz Nowak");
    window->type(IdFirstEdit + 1, "Reward");
    EXPECT_EQ(window->text(IdLineNote), "Line 1: L for \u0141 (not on the receiver)");
}

TEST_F(MainDialogTest, SelectionMovesBetweenStatesAndNamesTheRelease)
{
    const std::string label59(59, 'R'), label48(48, 'r');
    writeModelFile("[GPS]\r\nGps-1=Alpha\r\nGps-2=Beta\r\nGps-3=Gamma\r\nGps-4=Long\r\nGps-5=Fit\r\n"
                   "[Alpha]\r\nRel=2.40\r\n[Beta]\r\norg=b.org\r\n[Gamma]\r\nRel=\r\n"
                   "[Long]\r\nRel=" + label59 + "\r\n[Fit]\r\nRel=" + label48 + "\r\n");
    createAndTick();
    pressPage();
    const struct {
        int index;
        std::int32_t state;
        std::string status;
    } steps[] = {
        {1, kStateModel, "Click OK to modify firmware rel 2.40..."},
        {0, kStateLines, "Select a GPS model ..."},
        {2, kStateModel, "Click OK to modify firmware rel ??..."}, // no "Rel"
        {3, kStateModel, "Click OK to modify firmware rel ..."},   // empty "Rel"
        {-1, kStateLines, "Select a GPS model ..."},
        {5, kStateModel, modelStatus(label48)}, // 83 characters: still whole
        {4, kStateModel, modelStatus(label59).substr(0, 83)}, // too long: cut, never overrun
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.index);
        window->choose(step.index);
        expectStatus(step.state, step.status);
    }
    EXPECT_EQ(steps[5].status.size(), 83u);

    window->selection = 1; // other notifications of the list are ignored
    mainDialogCommand(*window, IdModelList, 5);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->text(IdStatus), steps[6].status);

    // A key gone from the model file since the list was filled.
    writeModelFile("[GPS]\r\nGps-1=Alpha\r\n[Alpha]\r\nRel=2.40\r\n");
    window->choose(3);
    expectStatus(kStateModel, "Click OK to modify firmware rel ??...");
}

TEST_F(MainDialogTest, OnlyOkAndCancelAnswerHandledAndCancelEndsWithZero)
{
    writeThreeModels();
    mainDialogCreate(*window, kStateDisclaimer);
    EXPECT_FALSE(mainDialogCommand(*window, IdPage, NotifyNone));
    EXPECT_FALSE(mainDialogCommand(*window, IdFirstEdit, NotifyEditChange));
    EXPECT_FALSE(mainDialogCommand(*window, IdModelList, NotifyListSelChange));
    EXPECT_FALSE(mainDialogCommand(*window, 4711, NotifyNone));
    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    EXPECT_FALSE(window->ended);
    ASSERT_TRUE(window->timerArmed);
    EXPECT_TRUE(mainDialogCommand(*window, IdCancel, NotifyNone));
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, 0);
    EXPECT_FALSE(window->timerArmed);
}

TEST_F(MainDialogTest, WindowMenuRunsAboutEachTimeAndLeavesOtherCommandsToTheToolkit)
{
    createAndTick();
    EXPECT_TRUE(mainDialogSysCommand(*window, CmdAbout));
    EXPECT_TRUE(mainDialogSysCommand(*window, 0x12340000 | CmdAbout)); // low 16 bits count
    EXPECT_FALSE(mainDialogSysCommand(*window, 0xF060));               // SC_CLOSE
    EXPECT_FALSE(mainDialogSysCommand(*window, 1001));
    EXPECT_EQ(window->aboutBoxes, 2);
    EXPECT_FALSE(window->ended);
}
