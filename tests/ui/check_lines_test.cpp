// "Check lines" from the window menu: what the chosen model's firmware makes
// of the lines as typed, compared with what OK then really writes; and that
// the check itself writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ui/dialog_fixture.h"
#include "ui/main_dialog.h"

using namespace ui;
using testing_support::readBytes;
using testing_support::readText;
using testing_support::writeText;

class CheckLinesTest : public DialogFixture {};

TEST_F(CheckLinesTest, SaysWhichLanguagesFitAsOkThenWritesThemAndWritesNothingItself)
{
    writeFirmwareModel();
    createAndTick();
    pressPage();
    EXPECT_TRUE(mainDialogSysCommand(*window, CmdCheckLines));
    ASSERT_EQ(messageTexts(), (std::vector<std::string>{"Select a GPS model first"}));
    EXPECT_EQ(boxes->messages.back().style, unsigned(platform::MbIconWarning));

    // 69 characters joined: too many for the texts of 41 and 60 characters,
    // the four of 77 to 126 take them.
    window->type(IdFirstEdit, "THIS UNIT BELONGS TO J. SMITH");
    window->type(IdFirstEdit + 1, "RETURN TO 12 HARBOUR ROAD");
    window->type(IdFirstEdit + 2, "LEITH, PLEASE");
    window->choose(1);
    EXPECT_TRUE(mainDialogSysCommand(*window, CmdCheckLines));
    ASSERT_EQ(boxes->messages.size(), 2u);
    const testing_support::RecordedMessage box = boxes->messages.back();
    EXPECT_EQ(box.style, unsigned(platform::MbIconInformation));
    EXPECT_EQ(box.owner, window->handle());
    EXPECT_EQ(box.caption, "Zarnek Wendrix");
    SCOPED_TRACE(box.text);

    // Nothing written: no pristine copy, the working file as it was, no log.
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
    EXPECT_EQ(bytes, firmware.bytes);
    EXPECT_FALSE(testing_support::exists(work("fw.org")));
    EXPECT_FALSE(testing_support::exists(root.file("prog/wendrix.LOG")));
    EXPECT_EQ(dialogState, kStateModel);

    // One row per language, "N. name: fits" or the reason.
    std::vector<std::string> rows;
    std::size_t at = 0;
    for (std::size_t end; (end = box.text.find('\n', at)) != std::string::npos; at = end + 1)
        rows.push_back(box.text.substr(at, end - at));
    rows.push_back(box.text.substr(at));
    ASSERT_GE(rows.size(), 7u);
    std::vector<bool> fits;
    for (int i = 0; i < 6; ++i) {
        const std::string& row = rows[1 + i];
        ASSERT_EQ(row.rfind(std::to_string(i + 1) + ". ", 0), 0u) << row;
        const std::size_t colon = row.find(": ");
        ASSERT_NE(colon, std::string::npos) << row;
        fits.push_back(row.compare(colon + 2, 4, "fits") == 0);
        if (!fits.back()) {
            EXPECT_GT(row.size(), colon + 12) << "a reason, not a bare verdict: " << row;
        }
    }
    const int fitting = static_cast<int>(std::count(fits.begin(), fits.end(), true));
    EXPECT_EQ(rows[0], "Etrex, " + std::to_string(fitting) + " of 6 languages fit these lines:");
    EXPECT_GT(fitting, 0);
    EXPECT_LT(fitting, 6);
    // Words that cannot be shorter are best as typed: no other arrangement
    // is offered.
    EXPECT_EQ(rows.size(), 7u);
    EXPECT_EQ(box.text.find("Arranged like this"), std::string::npos);

    // OK writes exactly the languages the check said fit.
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
    ASSERT_EQ(firmware.texts.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const MadeText& text = firmware.texts[static_cast<std::size_t>(i)];
        const std::string written(bytes.begin() + text.start, bytes.begin() + text.start + text.length);
        EXPECT_EQ(written.find("RETURN TO 12 HARBOUR ROAD") != std::string::npos, fits[static_cast<std::size_t>(i)])
            << "language " << i + 1 << ": " << written;
    }
}

// Where OK would stop, "Check lines" says so in the run's own words instead
// of judging lines that would never be written: a working file that holds
// other firmware than the pristine copy's, and a model whose pristine copy
// and working file are one file.
TEST_F(CheckLinesTest, RefusesWhatTheRunRefusesInTheRunsWords)
{
    struct Case {
        const char* name;
        bool otherFirmware; // else: org names the working file
    };
    for (const Case& c : {Case{"working file holds other firmware", true}, Case{"org and rgn one file", false}}) {
        SCOPED_TRACE(c.name);
        restart();
        std::filesystem::remove(work("fw.org"));
        writeFirmwareModel();
        ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
        const MadeFirmware other = makeFirmware(firmware.bytes.size(), 6, 12);
        if (c.otherFirmware) {
            ASSERT_TRUE(testing_support::writeBytes(work("fw.org"), firmware.bytes));
            ASSERT_TRUE(testing_support::writeBytes(work("fw.rgn"), other.bytes));
        } else {
            std::string model = readText(modelFilePath);
            model.replace(model.find("org=fw.org"), 10, "org=fw.rgn");
            writeModelFile(model);
        }
        std::vector<unsigned char> orgBefore, rgnBefore, bytes;
        const bool hadOrg = readBytes(work("fw.org"), orgBefore);
        ASSERT_TRUE(readBytes(work("fw.rgn"), rgnBefore));
        openOnModel(1);
        window->type(IdFirstEdit, "THIS UNIT BELONGS TO");
        boxes->messages.clear();

        EXPECT_TRUE(mainDialogSysCommand(*window, CmdCheckLines));
        ASSERT_EQ(boxes->messages.size(), 1u);
        const std::string checked = boxes->messages[0].text;
        EXPECT_EQ(checked.find("languages fit"), std::string::npos) << checked;

        // OK stops with the same words, and nothing is written by either.
        mainDialogCommand(*window, IdOk, NotifyNone);
        ASSERT_EQ(boxes->messages.size(), 2u);
        EXPECT_EQ(boxes->messages[1].style, unsigned(platform::MbIconError));
        EXPECT_EQ(checked, boxes->messages[1].text);
        EXPECT_EQ(readBytes(work("fw.org"), bytes), hadOrg);
        EXPECT_EQ(bytes, orgBefore);
        ASSERT_TRUE(readBytes(work("fw.rgn"), bytes));
        EXPECT_EQ(bytes, rgnBefore);
    }
}
