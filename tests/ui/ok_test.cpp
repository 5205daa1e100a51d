// OK: the real patch run on generated firmware.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

#include "config/model_file.h"
#include "tests/support/firmware_maker.h"
#include "tests/ui/dialog_fixture.h"
#include "ui/main_dialog.h"

using namespace ui;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::readText;
using testing_support::writeBytes;
using testing_support::writeText;

namespace {

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::uint32_t crcOf(const std::vector<unsigned char>& bytes)
{
    return static_cast<std::uint32_t>(
        crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

bool contains(const std::vector<unsigned char>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

} // namespace

class OkTest : public DialogFixture {
protected:
    // One model "Etrex" whose working file is the generated firmware.
    void writeFirmwareModel()
    {
        firmware = makeFirmware(64 * 1024, 6, 11);
        ASSERT_TRUE(writeBytes(work("fw.rgn"), firmware.bytes));
        writeModelFile("[GPS]\r\nDate=01.10.02\r\nGps-1=Etrex\r\n[Etrex]\r\norg=fw.org\r\n"
                       "rgn=fw.rgn\r\ncrc=" + hex(crcOf(firmware.bytes)) +
                       "\r\nlang=6\r\nRel=2.40\r\n");
    }
    MadeFirmware firmware;
};

TEST_F(OkTest, NoGpsSelectedWarnsAndChangesNothing)
{
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

TEST_F(OkTest, NoSelectionAtAllIsTreatedAsNoGps)
{
    writeFirmwareModel();
    createAndTick();
    pressPage();
    window->choose(1);
    window->typeInList("Etrex typed by hand");
    mainDialogCommand(*window, IdOk, NotifyNone);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"No Gps selected"}));
    EXPECT_FALSE(window->ended);
    // No patch run: nothing logged, the firmware untouched.
    EXPECT_FALSE(exists(root.file("prog/wendrix.LOG")));
    EXPECT_FALSE(exists(work("fw.org")));
}

TEST_F(OkTest, SuccessfulPatchRunEndsTheDialogWithOne)
{
    writeFirmwareModel();
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    createAndTick();
    pressPage();
    window->type(IdFirstEdit, "PROPERTY OF");
    window->type(IdFirstEdit + 1, "JANE DOE");
    window->choose(1);
    ASSERT_EQ(dialogState, kStateModel);

    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, 1);

    std::vector<unsigned char> pristine, patched;
    ASSERT_TRUE(readBytes(work("fw.org"), pristine));
    ASSERT_TRUE(readBytes(work("fw.rgn"), patched));
    EXPECT_EQ(pristine, firmware.bytes);
    EXPECT_EQ(patched.size(), firmware.bytes.size());
    EXPECT_TRUE(contains(patched, "PROPERTY OF"));
    EXPECT_TRUE(contains(patched, "JANE DOE"));
    EXPECT_NE(readText(root.file("prog/wendrix.LOG")).find("Gps: Etrex"), std::string::npos);
    // The lines were stored for the next start.
    for (const auto& box : boxes->messages)
        EXPECT_EQ(box.owner, window->handle());
}

TEST_F(OkTest, FailedPatchRunKeepsTheDialogAndItsState)
{
    writeFirmwareModel(); // but no UPDATER.EXE in the current directory
    createAndTick();
    pressPage();
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
    EXPECT_EQ(boxes->messages.back().owner, window->handle());
    std::vector<unsigned char> rgn;
    ASSERT_TRUE(readBytes(work("fw.rgn"), rgn));
    EXPECT_EQ(rgn, firmware.bytes);

    // A second OK once the uploader is there succeeds.
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ"));
    mainDialogCommand(*window, IdOk, NotifyNone);
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, 1);
}
