// "Check lines": the window's rows for the chosen model's firmware, compared
// with what OK then really writes; the check itself writes nothing; "Use
// these lines" fills the fields with the arrangement that suits more
// languages and "Back to my lines" puts back what was typed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ui/dialog_fixture.h"
#include "ui/check_lines.h"
#include "ui/main_dialog.h"

using namespace ui;
using testing_support::readBytes;
using testing_support::readText;
using testing_support::writeText;
using Strings = std::vector<std::string>;

namespace {

// The window as the logic drives it: every view it was shown, and closed.
class FakeCheckLinesWindow : public CheckLinesWindow {
public:
    void show(const CheckLinesView& view) override { views.push_back(view); }
    void close() override { closed = true; }
    const CheckLinesView& view() const { return views.back(); }

    std::vector<CheckLinesView> views;
    bool closed = false;
};

} // namespace

class CheckLinesTest : public DialogFixture {
protected:
    // Opens the window from the window menu; `steps` run while it is open,
    // as the owner's presses.
    void openWindow(const std::function<void(FakeCheckLinesWindow&)>& steps = {})
    {
        window->checkLinesWindow = [&] {
            checkLinesCreate(checkWindow, *window);
            if (steps)
                steps(checkWindow);
        };
        EXPECT_TRUE(mainDialogSysCommand(*window, CmdCheckLines));
    }
    Strings fields() const
    {
        Strings texts;
        for (int i = 0; i < 7; ++i)
            texts.push_back(window->text(IdFirstEdit + i));
        return texts;
    }

    FakeCheckLinesWindow checkWindow;
};

TEST_F(CheckLinesTest, OneRowPerLanguageAsOkThenWritesThemAndTheCheckWritesNothing)
{
    writeFirmwareModel();
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    createAndTick();
    pressPage();
    openWindow();
    EXPECT_EQ(window->checkLinesWindows, 0) << "no model chosen: no window";
    ASSERT_EQ(messageTexts(), (Strings{"Select a GPS model first"}));
    EXPECT_EQ(boxes->messages.back().style, unsigned(platform::MbIconWarning));

    // 69 characters joined: too many for the texts of 41 and 60 characters,
    // the four of 77 to 126 take them.
    window->type(IdFirstEdit, "THIS UNIT BELONGS TO J. SMITH");
    window->type(IdFirstEdit + 1, "RETURN TO 12 HARBOUR ROAD");
    window->type(IdFirstEdit + 2, "LEITH, PLEASE");
    // Notes where the pristine copy goes: OK will keep them, and says so first.
    ASSERT_TRUE(writeText(work("fw.org"), "the owner's notes"));
    window->choose(1);
    openWindow([this](FakeCheckLinesWindow& shown) { EXPECT_TRUE(checkLinesCommand(shown, *window, IdOk)); });
    ASSERT_EQ(window->checkLinesWindows, 1);
    ASSERT_EQ(checkWindow.views.size(), 1u);
    EXPECT_TRUE(checkWindow.closed) << "Close ends the window";
    const CheckLinesView& view = checkWindow.view();
    EXPECT_EQ(view.heading, "Etrex: 4 of 6 languages show every line\nPressing OK keeps fw.org as fw.1.org first: "
                            "it is not the pristine copy");
    ASSERT_EQ(view.rows.size(), 6u);
    std::vector<bool> fits;
    for (const CheckRow& row : view.rows) {
        SCOPED_TRACE(row.language);
        fits.push_back(row.mark == FitMark::Fits);
        EXPECT_EQ(row.markText, fits.back() ? "fits" : "does not fit");
        if (fits.back()) {
            // Every line shown, centred by spaces before it; the empty lines
            // after them show as nothing.
            ASSERT_EQ(row.shown.size(), 3u);
            EXPECT_NE(row.shown[0].find("THIS UNIT BELONGS TO J. SMITH"), std::string::npos);
            EXPECT_NE(row.shown[1].find("RETURN TO 12 HARBOUR ROAD"), std::string::npos);
            EXPECT_EQ(row.shown[2].find_first_not_of(' '), row.shown[2].find("LEITH"));
            EXPECT_EQ(row.change, "");
        }
    }
    EXPECT_EQ(view.rows[4].language, "Espa\xF1ol");
    EXPECT_EQ(view.rows[4].change, "take exactly 9 characters off lines 1, 2 and 3 in all");
    // No fill factor makes lines 1 and 2 as long as the text: the receiver
    // keeps showing its own warning there.
    EXPECT_TRUE(view.rows[4].shown.empty());
    EXPECT_EQ(view.rows[4].shownNote, "its own warning, unchanged");
    EXPECT_EQ(view.rows[5].change, "take exactly 28 characters off lines 1, 2 and 3 in all");
    // Words that cannot be shorter are best as typed.
    EXPECT_FALSE(view.canUse);
    EXPECT_FALSE(view.canGoBack);
    EXPECT_EQ(view.arrangedNote, "No other arrangement of your words suits more languages.");

    // Nothing written: the notes and the working file as they were, no log.
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
    EXPECT_EQ(bytes, firmware.bytes);
    EXPECT_EQ(readText(work("fw.org")), "the owner's notes");
    EXPECT_FALSE(testing_support::exists(work("fw.1.org")));
    EXPECT_FALSE(testing_support::exists(root.file("prog/wendrix.LOG")));
    EXPECT_EQ(dialogState, kStateModel);

    // OK keeps the notes as it said, and writes exactly the languages the
    // window said fit.
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    EXPECT_EQ(readText(work("fw.1.org")), "the owner's notes");
    ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
    ASSERT_EQ(firmware.texts.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const MadeText& text = firmware.texts[static_cast<std::size_t>(i)];
        const std::string written(bytes.begin() + text.start, bytes.begin() + text.start + text.length);
        EXPECT_EQ(written.find("RETURN TO 12 HARBOUR ROAD") != std::string::npos, fits[static_cast<std::size_t>(i)])
            << "language " << i + 1 << ": " << written;
    }
}

// Typed on two short lines, the owner's words leave two long texts short;
// on one line they fill them. "Use these lines" puts that line into the
// fields (the previews follow), "Back to my lines" puts the typed lines
// back, and a line changed by hand in between is the owner's again.
TEST_F(CheckLinesTest, UseTheseLinesFillsTheFieldsAndBackToMyLinesPutsTheTypedOnesBack)
{
    writeFourteenModel();
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    createAndTick();
    pressPage();
    window->type(IdFirstEdit, "Property of");
    window->type(IdFirstEdit + 1, "Jo Smith, Leith");
    window->choose(1);
    const Strings typed = {"Property of", "Jo Smith, Leith", "", "", "", "", ""};
    const Strings arranged = {"Property of Jo Smith, Leith", "", "", "", "", "", ""};

    openWindow([&](FakeCheckLinesWindow& shown) {
        const CheckLinesView before = shown.view();
        EXPECT_EQ(before.heading,
                  "Etrex: 8 of 13 languages that can take a text show every line (1 keeps its own warning)");
        ASSERT_EQ(before.rows.size(), 14u);
        // The language no lines can fill comes last, whatever its place.
        EXPECT_EQ(before.rows.back().mark, FitMark::OwnWarning);
        EXPECT_EQ(before.rows.back().markText, "keeps its own warning");
        EXPECT_TRUE(before.rows.back().shown.empty());
        EXPECT_EQ(before.rows.back().shownNote, "its own warning, unchanged");
        EXPECT_EQ(before.rows[8].mark, FitMark::DoesNotFit); // 318 characters
        EXPECT_FALSE(before.rows[8].change.empty());
        EXPECT_TRUE(before.canUse);
        EXPECT_FALSE(before.canGoBack);
        EXPECT_EQ(before.arranged, (Strings{"Property of Jo Smith, Leith"}));
        EXPECT_EQ(before.arrangedNote, "Arranged like this, 10 of 13 languages that can take a text show every line "
                                       "(1 keeps its own warning):");

        EXPECT_TRUE(checkLinesCommand(shown, *window, IdUseLines));
        EXPECT_EQ(fields(), arranged);
        EXPECT_EQ(window->text(IdFirstPreview), "Property of Jo Smith, Leith");
        EXPECT_EQ(window->text(IdFitLine),
                  "10 of 13 languages that can take a text show every line (1 keeps its own warning)")
            << "the live fit follows at once";
        EXPECT_EQ(window->text(IdFirstPreview + 1), "");
        EXPECT_STREQ(warningLines.lineText(0), "Property of Jo Smith, Leith");
        const CheckLinesView used = shown.view();
        EXPECT_EQ(used.heading,
                  "Etrex: 10 of 13 languages that can take a text show every line (1 keeps its own warning)");
        EXPECT_FALSE(used.canUse);
        EXPECT_TRUE(used.canGoBack);
        EXPECT_EQ(used.arrangedNote, "The fields hold the arranged lines; Back to my lines puts back what you typed.");

        EXPECT_TRUE(checkLinesCommand(shown, *window, IdBackToMyLines));
        EXPECT_EQ(fields(), typed);
        EXPECT_EQ(window->text(IdFirstPreview + 1), "Jo Smith, Leith");
        EXPECT_EQ(shown.view().heading, before.heading);
        EXPECT_TRUE(shown.view().canUse);
        EXPECT_FALSE(shown.view().canGoBack);

        EXPECT_TRUE(checkLinesCommand(shown, *window, IdUseLines));
        EXPECT_TRUE(checkLinesCommand(shown, *window, IdCancel)); // Escape
        EXPECT_TRUE(shown.closed);
    });
    EXPECT_EQ(fields(), arranged);

    // A line typed by hand now: there is nothing left to go back to.
    window->type(IdFirstEdit + 2, "Reward");
    checkWindow = FakeCheckLinesWindow();
    openWindow();
    EXPECT_FALSE(checkWindow.view().canGoBack);
    EXPECT_EQ(fields()[0], "Property of Jo Smith, Leith");
}

// Once a model is chosen the line under the status says, while the owner
// types, how many languages show every line; the firmware is read once per
// choice, so a keystroke never reads it. The line opens "Check lines".
TEST_F(CheckLinesTest, TheFitLineCountsAsTheOwnerTypesFromOneReadPerChoice)
{
    writeFourteenModel();
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    // A second model whose firmware is not there.
    const std::string etrex = testing_support::readText(modelFilePath);
    writeModelFile("[GPS]\r\nGps-1=Etrex\r\nGps-2=Gone\r\n" + etrex.substr(etrex.find("[Etrex]")) +
                   "[Gone]\r\norg=gone.org\r\nrgn=gone.rgn\r\ncrc=1234abcd\r\nlang=6\r\n");
    createAndTick();
    pressPage();
    window->type(IdFirstEdit, "Property of");
    EXPECT_EQ(window->text(IdFitLine), "") << "no model chosen yet";
    window->choose(1);
    EXPECT_EQ(window->text(IdStatus), "Click OK to modify firmware rel 2.40...") << "the status keeps its words";
    EXPECT_EQ(window->text(IdFitLine),
              "11 of 13 languages that can take a text show every line (1 keeps its own warning)");
    EXPECT_TRUE(window->links[IdFitLine]);

    // Each keystroke judges the lines again, from the texts found at the choice.
    ASSERT_TRUE(std::filesystem::remove(work("fw.rgn")));
    window->type(IdFirstEdit + 1, "Jo Smith, Leith");
    EXPECT_EQ(window->text(IdFitLine),
              "8 of 13 languages that can take a text show every line (1 keeps its own warning)");
    window->type(IdFirstEdit, "Property of Jo Smith, Leith");
    window->type(IdFirstEdit + 1, "");
    EXPECT_EQ(window->text(IdFitLine),
              "10 of 13 languages that can take a text show every line (1 keeps its own warning)");

    // A choice reads again: the firmware is gone now, and the line says what OK would.
    window->choose(2);
    EXPECT_EQ(window->text(IdFitLine), "Cannot read gone.rgn!");
    EXPECT_TRUE(window->links[IdFitLine]);
    window->choose(0);
    EXPECT_EQ(window->text(IdFitLine), "");
    EXPECT_FALSE(window->links[IdFitLine]);

    // Activated, the line opens the window.
    ASSERT_TRUE(testing_support::writeBytes(work("fw.rgn"), firmware.bytes));
    window->choose(1);
    mainDialogCommand(*window, IdFitLine, NotifyLinkActivated);
    EXPECT_EQ(window->checkLinesWindows, 1);
}

// Where OK would stop, "Check lines" says so in the run's own words instead
// of judging lines that would never be written: a working file that holds
// other firmware than the pristine copy's, a model whose pristine copy and
// working file are one file, no uploader, and a working file that is
// write-protected.
TEST_F(CheckLinesTest, RefusesWhatTheRunRefusesInTheRunsWords)
{
    enum class Stop { OtherFirmware, OneFile, NoUpdater, WriteProtected };
    struct Case {
        const char* name;
        Stop stop;
    };
    for (const Case& c : {Case{"working file holds other firmware", Stop::OtherFirmware},
                          Case{"org and rgn one file", Stop::OneFile}, Case{"no UPDATER.EXE", Stop::NoUpdater},
                          Case{"working file write-protected", Stop::WriteProtected}}) {
        SCOPED_TRACE(c.name);
        restart();
        std::filesystem::remove(work("fw.org"));
        writeFirmwareModel();
        if (c.stop == Stop::NoUpdater)
            std::filesystem::remove(work("UPDATER.EXE"));
        else
            ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
        const MadeFirmware other = makeFirmware(firmware.bytes.size(), 6, 12);
        if (c.stop == Stop::OtherFirmware) {
            ASSERT_TRUE(testing_support::writeBytes(work("fw.org"), firmware.bytes));
            ASSERT_TRUE(testing_support::writeBytes(work("fw.rgn"), other.bytes));
        } else if (c.stop == Stop::OneFile) {
            std::string model = readText(modelFilePath);
            model.replace(model.find("org=fw.org"), 10, "org=fw.rgn");
            writeModelFile(model);
        } else if (c.stop == Stop::WriteProtected) {
            ASSERT_TRUE(testing_support::writeBytes(work("fw.org"), firmware.bytes));
            std::filesystem::permissions(work("fw.rgn"), std::filesystem::perms::owner_read,
                                         std::filesystem::perm_options::replace);
        }
        std::vector<unsigned char> orgBefore, rgnBefore, bytes;
        const bool hadOrg = readBytes(work("fw.org"), orgBefore);
        ASSERT_TRUE(readBytes(work("fw.rgn"), rgnBefore));
        openOnModel(1);
        window->type(IdFirstEdit, "THIS UNIT BELONGS TO");
        boxes->messages.clear();

        checkWindow = FakeCheckLinesWindow();
        openWindow();
        ASSERT_FALSE(checkWindow.views.empty());
        const std::string checked = checkWindow.view().heading;
        EXPECT_TRUE(checkWindow.view().rows.empty()) << checked;
        EXPECT_FALSE(checkWindow.view().canUse);
        // The line under the status says it too, in its first line.
        EXPECT_EQ(window->text(IdFitLine), checked.substr(0, checked.find('\n')));

        // OK stops with the same words, and nothing is written by either.
        mainDialogCommand(*window, IdOk, NotifyNone);
        ASSERT_EQ(boxes->messages.size(), 1u);
        EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbIconError));
        EXPECT_EQ(checked, boxes->messages[0].text);
        EXPECT_EQ(readBytes(work("fw.org"), bytes), hadOrg);
        EXPECT_EQ(bytes, orgBefore);
        ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
        EXPECT_EQ(bytes, rgnBefore);
    }
}
