// "Add firmware..." and the first start on a fake window: the note beside the
// status when no listed model's firmware is here, the file the owner picks
// becoming the chosen model, and refusals in the command line's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ui/dialog_fixture.h"

using namespace ui;
using testing_support::exists;
using testing_support::readBytes;
using testing_support::readText;
using testing_support::writeBytes;
using testing_support::writeText;

namespace {

constexpr char kNoModels[] =
    "No model is listed yet: add your receiver's firmware.\nRight-click here, then choose Add firmware\x85";
constexpr char kNoFirmware[] =
    "No listed model's firmware is in this folder: add yours.\nRight-click here, then choose Add firmware\x85";

class AddFirmwareTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        std::filesystem::create_directories(root.file("outside"));
    }
    std::string outside(const std::string& name) const { return root.file("outside/" + name); }
    // Picks `file` in the file dialog that "Add firmware..." opens.
    void addFirmware(const std::string& file)
    {
        window->fileToChoose = file;
        EXPECT_TRUE(mainDialogSysCommand(*window, CmdAddFirmware));
    }
    MadeFirmware mine = makeFirmware(40 * 1024, 9, 23);
};

bool contains(const std::vector<unsigned char>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

} // namespace

// The note stands beside the status, whose words stay as they are, from the
// first tick on, and goes once a listed model's firmware is there.
TEST_F(AddFirmwareTest, TheFirstStartSaysWhenNoListedFirmwareIsHere)
{
    const struct {
        const char* label;
        const char* modelFile; // null: none
        const char* present;   // a file put in the current folder, or null
        const char* note;
    } cases[] = {
        {"no model file", nullptr, nullptr, kNoModels},
        {"a sample without models", "[GPS]\r\nDate=07.12.26\r\n", nullptr, kNoModels},
        {"models without their firmware", "[GPS]\r\nGps-1=A\r\nGps-2=B\r\n[A]\r\nrgn=a.rgn\r\norg=a.org\r\n"
                                          "[B]\r\nrgn=b.rgn\r\n", nullptr, kNoFirmware},
        {"a working file", "[GPS]\r\nGps-1=A\r\nGps-2=B\r\n[A]\r\nrgn=a.rgn\r\norg=a.org\r\n[B]\r\nrgn=b.rgn\r\n",
         "b.rgn", ""},
        {"only a pristine copy", "[GPS]\r\nGps-1=A\r\n[A]\r\nrgn=a.rgn\r\norg=a.org\r\n", "a.org", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        restart();
        for (const char* name : {"b.rgn", "a.org"})
            std::filesystem::remove(work(name));
        if (c.modelFile)
            writeModelFile(c.modelFile);
        if (c.present) {
            ASSERT_TRUE(writeText(work(c.present), "firmware"));
        }
        createAndTick();
        EXPECT_EQ(window->text(IdFirmwareNote), c.note);
        EXPECT_EQ(window->text(IdStatus), "Press page to continue ...");
        pressPage();
        EXPECT_EQ(window->text(IdStatus), "Select a GPS model ...");
        EXPECT_EQ(window->text(IdFirmwareNote), c.note);
    }
}

// The file picked becomes the chosen model; the owner types and presses OK.
TEST_F(AddFirmwareTest, TheFilePickedIsTheChosenModelAndOkPatchesIt)
{
    writeFirmwareModel();
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    ASSERT_TRUE(writeBytes(outside("mine.rgn"), mine.bytes));
    createAndTick();
    pressPage();
    EXPECT_EQ(window->text(IdFirmwareNote), "");

    // Cancelled: nothing happens.
    window->events.clear();
    window->fileToChoose.reset();
    EXPECT_TRUE(mainDialogSysCommand(*window, CmdAddFirmware));
    EXPECT_EQ(window->events, std::vector<std::string>{"choose file Add firmware"});
    EXPECT_TRUE(boxes->messages.empty());

    // The copy reaches the device before it takes the model's name.
    std::vector<std::string> steps;
    platform::observeFileSteps([&](platform::FileStep step, platform::FileHandle, const char* from, const char* to) {
        steps.push_back(step == platform::FileStep::Flushed
                            ? "flushed"
                            : std::filesystem::path(from).filename().string() + " to " +
                                  std::filesystem::path(to).filename().string());
    });
    addFirmware(outside("mine.rgn"));
    platform::observeFileSteps(nullptr);
    const auto move = std::find_if(steps.begin(), steps.end(),
                                   [](const std::string& step) { return step.ends_with(" to mine.rgn"); });
    ASSERT_NE(move, steps.end());
    EXPECT_TRUE(move != steps.begin() && *(move - 1) == "flushed") << "the copy was moved into place unflushed";
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "Etrex", "mine.rgn"}));
    EXPECT_EQ(window->selection, 2);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->text(IdStatus), modelStatus("mine.rgn"));
    EXPECT_EQ(window->focused, IdFirstEdit);
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08lx", crc32(0, mine.bytes.data(), uInt(mine.bytes.size())));
    const std::string copy = (std::filesystem::canonical(root.file("work")) / "mine.rgn").string();
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Copied " + outside("mine.rgn") + " to " + copy +
                                           ".\nAdded \"mine.rgn\" as model 2: working file mine.rgn, pristine "
                                           "copy mine.org (made by the first patch), CRC-32 " + crc +
                                           ", 9 language texts.\nIt is chosen in the list: type your lines, then "
                                           "press OK.");
    EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbOk | platform::MbIconInformation));
    EXPECT_EQ(boxes->messages[0].owner, window->handle());
    EXPECT_FALSE(exists(root.file("prog/wendrix.LOG"))) << "adding is no patch run: it writes no log";

    window->type(IdFirstEdit, "PROPERTY OF");
    window->type(IdFirstEdit + 1, "JANE DOE");
    EXPECT_TRUE(mainDialogCommand(*window, IdOk, NotifyNone));
    EXPECT_TRUE(window->ended);
    EXPECT_EQ(window->result, 1);
    std::vector<unsigned char> pristine, patched;
    ASSERT_TRUE(readBytes(work("mine.org"), pristine));
    ASSERT_TRUE(readBytes(work("mine.rgn"), patched));
    EXPECT_EQ(pristine, mine.bytes);
    EXPECT_TRUE(contains(patched, "JANE DOE"));
    EXPECT_NE(readText(root.file("prog/wendrix.LOG")).find("Gps: mine.rgn"), std::string::npos);
}

// Before Page the list is not to be used yet: the new model waits, chosen,
// and Page goes on to it.
TEST_F(AddFirmwareTest, FirmwareAddedBeforePageIsChosenOncePaged)
{
    ASSERT_TRUE(writeBytes(work("mine.rgn"), mine.bytes));
    createAndTick();
    EXPECT_EQ(window->text(IdFirmwareNote), kNoModels);
    addFirmware("mine.rgn");
    EXPECT_EQ(window->selection, 1);
    EXPECT_EQ(window->text(IdFirmwareNote), "");
    EXPECT_EQ(dialogState, kStateDisclaimer);
    EXPECT_EQ(window->text(IdStatus), "Press page to continue ...");
    EXPECT_FALSE(window->enabled(IdModelList));
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_NE(messageTexts()[0].find("It is chosen in the list: press Page, type your lines, then press OK."),
              std::string::npos);
    pressPage();
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->text(IdStatus), modelStatus("mine.rgn"));
}

// A refusal is a warning in the words of wendrix-cli add; the list, the
// choice and the files stay as they were.
TEST_F(AddFirmwareTest, RefusalsAreShownInTheCommandLinesWords)
{
    writeFirmwareModel();
    ASSERT_TRUE(writeBytes(outside("noise.bin"), std::vector<unsigned char>(4096, 'x')));
    createAndTick();
    pressPage();
    window->choose(1);
    const std::string model = readText(modelFilePath);
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {outside("noise.bin"), "Cannot add " + outside("noise.bin") +
                                   ": this is not stock firmware, or its texts were already replaced; add the "
                                   "unpatched image"},
        {work("fw.rgn"), "Cannot add " + work("fw.rgn") + ": already listed as Etrex"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        boxes->messages.clear();
        addFirmware(c.file);
        ASSERT_EQ(boxes->messages.size(), 1u);
        EXPECT_EQ(boxes->messages[0].text, c.message);
        EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbOk | platform::MbIconWarning));
        EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "Etrex"}));
        EXPECT_EQ(window->selection, 1);
        EXPECT_EQ(dialogState, kStateModel);
        EXPECT_EQ(readText(modelFilePath), model);
        EXPECT_FALSE(exists(std::string(modelFilePath) + ".bak"));
        EXPECT_FALSE(exists(work("noise.bin")));
    }
}
