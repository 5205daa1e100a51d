// The patch run end to end in a temporary folder: which file it patches from,
// what it writes, logs and asks, for each way the two firmware files can be.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "engine/language_table.h"
#include "engine/patch_run.h"
#include "tests/patch_run/run_fixture.h"

using run_expect::crcOf;
using run_expect::hex8;
using run_expect::Lines;

namespace {

constexpr char kAskUpdater[] = "You may now run UPDATER\nStart UPDATER.EXE now?";
constexpr char kNoUpdater[] =
    "Cannot find UPDATER.EXE\nYou need the Garmin software\nPlease read \"readme.txt\"";

std::string cannotRead(const std::string& path)
{
    return "Cannot read " + path +
           "!\nYou have selected wrong GPS type or\ndownloaded wrong version of the firmware\n\n"
           "If you have a newer version of the firmware\nthan Wendrix expect you may search for\n"
           "updates of Wendrix\n\nSearch now?";
}

std::string notProcessed(int failures, int lang)
{
    return std::to_string(failures) + " of " + std::to_string(lang) +
           " languages not processed\nSee wendrix.log for more information";
}

std::vector<std::string> plus(std::vector<std::string> lines, const std::string& line)
{
    lines.push_back(line);
    return lines;
}

class PatchRunTest : public PatchRunFixture {
protected:
    // A model whose working file is "model.rgn" and pristine copy "model.org".
    void model(std::uint32_t crc, const char* lang = "10")
    {
        writeModel("Model A 2.40", "model.org", "model.rgn", hex8(crc).c_str(), lang);
    }

    // The messages a successful run shows: the fitting summary when some
    // text could not be fitted, then the question about the uploader.
    std::vector<std::string> successMessages(const run_expect::Fitted& fitted, int lang) const
    {
        std::vector<std::string> texts;
        if (fitted.failures > 0)
            texts.push_back(notProcessed(fitted.failures, lang));
        texts.push_back(kAskUpdater);
        return texts;
    }

    void expectNothingOpened()
    {
#ifndef _WIN32
        EXPECT_TRUE(openedDocuments(false).empty());
#endif
    }
    void expectReportOpened()
    {
#ifndef _WIN32
        EXPECT_EQ(openedDocuments(true), std::vector<std::string>{"report.html"});
#endif
    }
};

TEST_F(PatchRunTest, FirstRunKeepsThePristineCopyAndLaterRunsPatchFromIt)
{
    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    model(crc);
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    const run_expect::Fitted first = run_expect::fit(made, ownerLines(), 10);
    EXPECT_EQ(workBytes("model.org"), made.bytes);
    EXPECT_EQ(workBytes("model.rgn"), first.image);
    EXPECT_NE(first.image, made.bytes);
    EXPECT_EQ(logLines(), run_expect::successLog("Model A 2.40", "model.rgn", crc, made, ownerLines(), 10));
    EXPECT_EQ(messageTexts(), successMessages(first, 10));
    EXPECT_EQ(lang, 10);
    expectReportOpened();

    // Second run, other lines: the working file is patched now, so the run
    // must start from the pristine copy, which stays as it was.
    boxes->messages.clear();
    setLines(otherLines());
    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    const run_expect::Fitted second = run_expect::fit(made, otherLines(), 10);
    EXPECT_EQ(workBytes("model.org"), made.bytes);
    EXPECT_EQ(workBytes("model.rgn"), second.image);
    EXPECT_EQ(logLines(), run_expect::successLog("Model A 2.40", "model.rgn", crc, made, otherLines(), 10));
    EXPECT_TRUE(testing_support::exists(root.file("prog/wendrix.1.LOG")));
    EXPECT_EQ(messageTexts(), successMessages(second, 10));

    // The same lines again give the same bytes.
    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(workBytes("model.rgn"), second.image);
    EXPECT_EQ(storedLines(), otherLines());
}

TEST_F(PatchRunTest, MatchingPristineCopyCreatesAMissingWorkingFile)
{
    const MadeFirmware made = standardFirmware(14, 11);
    model(crcOf(made.bytes), "14");
    putUpdater();
    putWork("model.org", made.bytes);
    setLines(ownerLines());

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(made, ownerLines(), 14).image);
    EXPECT_EQ(workBytes("model.org"), made.bytes);
}

TEST_F(PatchRunTest, PristineCopyWithAnotherChecksumIsReplacedFromTheUnpatchedWorkingFile)
{
    const MadeFirmware made = standardFirmware();
    model(crcOf(made.bytes));
    putUpdater();
    putWork("model.rgn", made.bytes);
    putWork("model.org", standardFirmware(10, 99).bytes);
    setLines(ownerLines());

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(workBytes("model.org"), made.bytes);
    EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(made, ownerLines(), 10).image);
}

TEST_F(PatchRunTest, AlreadyPatchedWorkingFileWithoutPristineCopyIsRefused)
{
    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    const std::vector<unsigned char> patched = run_expect::fit(made, otherLines(), 10).image;
    model(crc);
    putUpdater();
    putWork("model.rgn", patched);
    setLines(ownerLines());

    EXPECT_EQ(PatchRun(nullptr, "Model A 2.40"), 0);
    EXPECT_EQ(workBytes("model.rgn"), patched);
    EXPECT_FALSE(workHas("model.org"));
    EXPECT_EQ(logLines(), plus(run_expect::logHead("Model A 2.40", "model.rgn", crc),
                               "**** Not original model.rgn file!"));
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Not original model.rgn file!");
    EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbIconError));
    EXPECT_EQ(storedLines(), ownerLines());
    expectNothingOpened();
}

TEST_F(PatchRunTest, UnreadableWorkingFileAsksToSearchForUpdates)
{
    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    model(crc);
    putUpdater();
    putWork("model.org", standardFirmware(10, 3).bytes); // wrong checksum

    // Missing, then empty; No, then Yes.
    for (const bool empty : {false, true}) {
        for (const int answer : {int(platform::IdNo), int(platform::IdYes)}) {
            SCOPED_TRACE(std::string(empty ? "empty" : "missing") + " working file, answer " +
                         std::to_string(answer));
            if (empty)
                putWork("model.rgn", {});
            boxes->messages.clear();
            sysCommands.clear();
            answerYesNo = answer;

            EXPECT_EQ(PatchRun(nullptr, "Model A 2.40"), 0);
            ASSERT_EQ(boxes->messages.size(), 1u);
            EXPECT_EQ(boxes->messages[0].text, cannotRead("model.rgn"));
            EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbIconWarning | platform::MbYesNo));
            EXPECT_EQ(sysCommands, answer == platform::IdYes ? std::vector<int>{1004} : std::vector<int>{});
            EXPECT_EQ(logLines(), plus(run_expect::logHead("Model A 2.40", "model.rgn", crc),
                                       "**** Cannot read model.rgn!"));
            EXPECT_EQ(workBytes("model.org"), standardFirmware(10, 3).bytes);
            EXPECT_EQ(workHas("model.rgn"), empty);
        }
    }
    expectNothingOpened();
}

TEST_F(PatchRunTest, MissingOrEmptyUploaderStopsTheRunAfterTheLinesAreSaved)
{
    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    model(crc);
    putWork("model.rgn", made.bytes);

    for (const bool empty : {false, true}) {
        SCOPED_TRACE(empty ? "empty UPDATER.EXE" : "no UPDATER.EXE");
        if (empty)
            putUpdater("");
        boxes->messages.clear();
        setLines(ownerLines());

        EXPECT_EQ(PatchRun(nullptr, "Model A 2.40"), 0);
        ASSERT_EQ(boxes->messages.size(), 1u);
        EXPECT_EQ(boxes->messages[0].text, kNoUpdater);
        EXPECT_EQ(boxes->messages[0].caption, "Zarnek Wendrix");
        EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbIconError));
        EXPECT_EQ(logLines(), plus(run_expect::logHead("Model A 2.40", "model.rgn", crc),
                                   "**** Cannot find UPDATER.EXE"));
        EXPECT_EQ(workBytes("model.rgn"), made.bytes);
        EXPECT_FALSE(workHas("model.org"));
        EXPECT_EQ(storedLines(), ownerLines());
    }
}

TEST_F(PatchRunTest, MissingChecksumMatchesNoFile)
{
    const MadeFirmware made = standardFirmware();
    writeModel("Model A 2.40", "model.org", "model.rgn", nullptr, "10");
    putUpdater();
    putWork("model.org", made.bytes);
    putWork("model.rgn", made.bytes);

    EXPECT_EQ(PatchRun(nullptr, "Model A 2.40"), 0);
    EXPECT_EQ(logLines(), plus(run_expect::logHead("Model A 2.40", "model.rgn", 0),
                               "**** Not original model.rgn file!"));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Not original model.rgn file!"});

    std::filesystem::remove(workFile("model.rgn"));
    boxes->messages.clear();
    EXPECT_EQ(PatchRun(nullptr, "Model A 2.40"), 0);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{cannotRead("model.rgn")});
    EXPECT_EQ(workBytes("model.org"), made.bytes);
}

TEST_F(PatchRunTest, ChecksumWithPrefixAndCapitalsIsTheSameChecksum)
{
    const MadeFirmware made = standardFirmware(10, 21);
    std::string crc = "0X" + hex8(crcOf(made.bytes));
    for (char& c : crc)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    writeModel("Model A 2.40", "model.org", "model.rgn", ("  " + crc + " unpatched").c_str(), "10");
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(logLines()[8], "Crc: 0x" + hex8(crcOf(made.bytes)));
    EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(made, ownerLines(), 10).image);
}

TEST_F(PatchRunTest, LangZeroWritesTheImageUnchanged)
{
    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    model(crc, "0");
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(lang, 0);
    EXPECT_EQ(workBytes("model.rgn"), made.bytes);
    EXPECT_EQ(workBytes("model.org"), made.bytes);
    EXPECT_EQ(logLines(), run_expect::successLog("Model A 2.40", "model.rgn", crc, made, ownerLines(), 0));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{kAskUpdater});
    expectReportOpened();
}

TEST_F(PatchRunTest, FewerTextsThanLangAreReportedAndTheRestIsStillWritten)
{
    const MadeFirmware made = standardFirmware(5, 5);
    const std::uint32_t crc = crcOf(made.bytes);
    model(crc, "7");
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    const run_expect::Fitted fitted = run_expect::fit(made, ownerLines(), 7);
    ASSERT_GE(boxes->messages.size(), 3u);
    EXPECT_EQ(boxes->messages[0].text, "Could not find WARNING text 5, VARNING!\n");
    EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbIconError));
    EXPECT_EQ(boxes->messages[1].text, notProcessed(fitted.failures, 7));
    EXPECT_EQ(boxes->messages[2].text, kAskUpdater);
    EXPECT_EQ(boxes->messages[2].style, unsigned(platform::MbIconInformation | platform::MbOkCancel));
    EXPECT_EQ(workBytes("model.rgn"), fitted.image);
    EXPECT_EQ(logLines(), run_expect::successLog("Model A 2.40", "model.rgn", crc, made, ownerLines(), 7));
}

TEST_F(PatchRunTest, LangBeyondTheTableNeverReadsPastIt)
{
    // All fourteen texts present: nothing is missing from the table.
    const MadeFirmware full = standardFirmware(14, 8);
    model(crcOf(full.bytes), "20");
    putUpdater();
    putWork("model.rgn", full.bytes);
    setLines(ownerLines());
    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(lang, 20);
    for (const std::string& text : messageTexts())
        EXPECT_EQ(text.find("Could not find"), std::string::npos) << text;
    EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(full, ownerLines(), 14).image);

    // Three texts: the first one missing is named.
    const MadeFirmware few = standardFirmware(3, 8);
    model(crcOf(few.bytes), "99");
    std::filesystem::remove(workFile("model.org"));
    putWork("model.rgn", few.bytes);
    boxes->messages.clear();
    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    ASSERT_FALSE(boxes->messages.empty());
    EXPECT_EQ(boxes->messages[0].text, "Could not find WARNING text 3, ATTENZIONE\n");
    EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(few, ownerLines(), 14).image);
}

TEST_F(PatchRunTest, NegativeLangLocatesNothing)
{
    const MadeFirmware made = standardFirmware();
    model(crcOf(made.bytes), "-1");
    putUpdater();
    putWork("model.rgn", made.bytes);
    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(lang, -1);
    EXPECT_EQ(workBytes("model.rgn"), made.bytes);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{kAskUpdater});
}

TEST_F(PatchRunTest, EmptySectionNameEndsWithTheQuestionForAnEmptyPath)
{
    writeModel("Model A 2.40", "model.org", "model.rgn", "12345678", "10");
    putUpdater();
    EXPECT_EQ(PatchRun(nullptr, ""), 0);
    EXPECT_EQ(logLines(), plus(run_expect::logHead("", "", 0), "**** Cannot read !"));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{cannotRead("")});
}

TEST_F(PatchRunTest, TextThatCannotBeFittedIsLeftAndTheFileIsStillWritten)
{
    // One English text of 12 characters; line 1 is longer than that.
    std::string body(300, 'x');
    const std::string text = "WARNING\nabc";
    body.replace(100, text.size() + 1, text + '\0');
    const std::vector<unsigned char> image(body.begin(), body.end());
    model(crcOf(image), "1");
    putUpdater();
    putWork("model.rgn", image);
    setLines({"A LINE LONGER THAN THE TEXT", "", "", "", "", "", ""});

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(workBytes("model.rgn"), image);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{notProcessed(1, 1), kAskUpdater}));
    const std::vector<std::string> logged = logLines();
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged[logged.size() - 2], "English    not replaced, 0 chars could not replace 11 chars");
}

TEST_F(PatchRunTest, ModelWithoutPristinePathNeverOverwritesTheOnlyUnpatchedCopy)
{
    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    writeModel("Model A 2.40", nullptr, "model.rgn", hex8(crc).c_str(), "10");
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());

    EXPECT_EQ(PatchRun(nullptr, "Model A 2.40"), 0);
    EXPECT_EQ(workBytes("model.rgn"), made.bytes);
    EXPECT_EQ(logLines(), plus(run_expect::logHead("Model A 2.40", "model.rgn", crc), "**** Cannot write !"));
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Cannot write !\nDisk is full or file is write protected");
    EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbIconError));
    expectNothingOpened();
}

TEST_F(PatchRunTest, MessagesCarryTheOwnerAndTheCaption)
{
    const MadeFirmware made = standardFirmware(4, 2);
    model(crcOf(made.bytes), "6");
    putUpdater();
    putWork("model.rgn", made.bytes);
    int ownerObject = 0;
    ASSERT_EQ(PatchRun(&ownerObject, "Model A 2.40"), 1);
    ASSERT_GE(boxes->messages.size(), 2u);
    for (const auto& box : boxes->messages) {
        EXPECT_EQ(box.owner, &ownerObject) << box.text;
        EXPECT_EQ(box.caption, "Zarnek Wendrix") << box.text;
    }
}

TEST_F(PatchRunTest, RunWithoutALogStillPatches)
{
    const MadeFirmware made = standardFirmware();
    model(crcOf(made.bytes));
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());
    runLog = nullptr;
    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(made, ownerLines(), 10).image);
    EXPECT_FALSE(testing_support::exists(logPath));
}

} // namespace
