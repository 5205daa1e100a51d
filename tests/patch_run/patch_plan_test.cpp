// The plan of a patch against the patch run that carries it out: for many
// random images, lines and states of the two firmware files, the plan's
// bytes are what the run writes, its refusal is where the run stops, and its
// verdicts are what the run reports and sums up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/fit_summary.h"
#include "engine/kept_aside.h"
#include "engine/patch_plan.h"
#include "engine/patch_run.h"
#include "engine/working_file_guard.h"
#include "tests/patch_run/run_fixture.h"

namespace fs = std::filesystem;
using namespace run_expect;

namespace {

constexpr char kModel[] = "Model P 1.00";

// Folder: a folder that holds a file, where the firmware file goes; it
// cannot be read, and must never be taken for a missing file.
enum class Org { Missing, Stock, Other, Folder };
enum class Rgn { Missing, Empty, Stock, PatchOfStock, Other, Folder };

Lines randomLines(std::mt19937& rng)
{
    static const char* const kWords[] = {"MY", "UNIT", "PROPERTY", "OF", "J.", "SMITH", "CALL",
                                         "555 0100", "REWARD", "IF", "FOUND", "PLEASE", "RETURN", "TO"};
    Lines lines;
    for (std::string& line : lines) {
        if (rng() % 3 == 0)
            continue;
        for (int words = 1 + static_cast<int>(rng() % 4); words > 0; --words) {
            const std::string word = kWords[rng() % (sizeof kWords / sizeof kWords[0])];
            if (line.size() + 1 + word.size() > 29)
                break;
            line += (line.empty() ? "" : " ") + word;
        }
    }
    return lines;
}

class PatchPlanTest : public PatchRunFixture {
protected:
    // Windows removes no read-only file: the working file is made writable
    // before it goes.
    void makeWritable()
    {
        std::error_code ignored;
        fs::permissions(workFile("p.rgn"), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    void TearDown() override
    {
        makeWritable();
        PatchRunFixture::TearDown();
    }
};

TEST_F(PatchPlanTest, ThePlanIsWhatTheRunDoes)
{
    std::mt19937 rng(2025);
    int written = 0, refused = 0, partial = 0, writeProtected = 0;
    for (int round = 0; round < 80; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        makeWritable();
        for (const char* name : {"p.org", "p.1.org", "p.rgn", "UPDATER.EXE"})
            fs::remove_all(workFile(name));
        boxes->messages.clear();

        const int textCount = static_cast<int>(rng() % 15);
        const MadeFirmware made = makeFirmware(4096 + rng() % 40000, textCount, 100 + static_cast<std::uint32_t>(round));
        const MadeFirmware other = makeFirmware(made.bytes.size(), textCount, 5000 + static_cast<std::uint32_t>(round));
        const std::int32_t lang = static_cast<std::int32_t>(rng() % 17);
        const Lines lines = randomLines(rng);
        const Org org = static_cast<Org>(rng() % 4);
        const Rgn rgn = static_cast<Rgn>(rng() % 6);
        const bool samePaths = rng() % 10 == 0;
        const bool updater = rng() % 8 != 0;
        // A working file nobody may write (the mode bits stop root too).
        const bool rgnWriteProtected = rgn != Rgn::Missing && rgn != Rgn::Folder && rng() % 5 == 0;

        const std::uint32_t crc = crcOf(made.bytes);
        writeModel(kModel, samePaths ? "p.rgn" : "p.org", "p.rgn", hex8(crc).c_str(), std::to_string(lang).c_str());
        if (org == Org::Stock)
            putWork("p.org", made.bytes);
        else if (org == Org::Other)
            putWork("p.org", other.bytes);
        else if (org == Org::Folder && fs::create_directory(workFile("p.org")))
            putWork("p.org/notes.txt", other.bytes);
        const std::vector<unsigned char> patchOfStock = fit(made, otherLines(), lang).image;
        if (rgn == Rgn::Folder && fs::create_directory(workFile("p.rgn")))
            putWork("p.rgn/notes.txt", other.bytes);
        else if (rgn != Rgn::Missing)
            putWork("p.rgn", rgn == Rgn::Empty          ? std::vector<unsigned char>{}
                             : rgn == Rgn::Stock        ? made.bytes
                             : rgn == Rgn::PatchOfStock ? patchOfStock
                                                        : other.bytes);
        if (updater) {
            ASSERT_TRUE(testing_support::writeText(workFile("UPDATER.EXE"), "MZ stand-in uploader"));
        }
        if (rgnWriteProtected)
            fs::permissions(workFile("p.rgn"), fs::perms::owner_read | fs::perms::group_read,
                            fs::perm_options::replace);
        setLines(lines);

        std::vector<unsigned char> orgBefore, rgnBefore;
        const bool hadOrg = testing_support::readBytes(workFile("p.org"), orgBefore);
        const bool hadRgn = testing_support::readBytes(workFile("p.rgn"), rgnBefore);

        // The plan, made before the run and kept: its bytes are copied out
        // before the run could change a file.
        PatchPlan plan = makePatchPlan(readPlanModel(kModel), warningLines);
        const FirmwarePlan& firmware = plan.firmware;
        const std::vector<unsigned char> unpatched(firmware.image.bytes, firmware.image.bytes + firmware.image.size);
        const FirmwareImage& patched = patchImage(plan);
        const std::vector<unsigned char> planned(patched.bytes, patched.bytes + patched.size);

        // Where the run must stop, from the files as they were laid out.
        const bool orgUsable = !samePaths && org == Org::Stock;
        const bool rgnStock = rgn == Rgn::Stock || (rgn == Rgn::PatchOfStock && patchOfStock == made.bytes);
        RefusalKind expected = RefusalKind::None;
        if (samePaths)
            expected = RefusalKind::FirmwarePaths;
        else if (!updater)
            expected = RefusalKind::NoUpdater;
        else if (!orgUsable && (rgn == Rgn::Missing || rgn == Rgn::Empty || rgn == Rgn::Folder))
            expected = RefusalKind::CannotRead;
        else if (!orgUsable && !rgnStock)
            expected = RefusalKind::NotOriginal;
        else if (orgUsable && rgn == Rgn::Other)
            expected = RefusalKind::OtherFirmware;
        else if (orgUsable && rgn == Rgn::Folder)
            expected = RefusalKind::WorkingUnreadable;
        else if (rgnWriteProtected)
            expected = RefusalKind::CannotWrite;
        ASSERT_EQ(firmware.refusal.kind, expected);
        writeProtected += expected == RefusalKind::CannotWrite;
        EXPECT_EQ(firmware.writesPristine,
                  (expected == RefusalKind::None || expected == RefusalKind::CannotWrite) && !orgUsable);
        // Whatever had the pristine copy's name then is kept, not written over.
        const bool keepsOrg = firmware.writesPristine && org != Org::Missing;
        EXPECT_EQ(firmware.pristineKeptAs, keepsOrg ? "p.1.org" : "");

        PatchRunReport report;
        const int result = PatchRun(nullptr, kModel, &report);
        const std::vector<std::string> texts = messageTexts();
        std::vector<unsigned char> orgAfter, rgnAfter, kept;
        const bool hasOrg = testing_support::readBytes(workFile("p.org"), orgAfter);
        const bool hasRgn = testing_support::readBytes(workFile("p.rgn"), rgnAfter);
        // A folder is where it was, or where it was kept, with what it held.
        const std::string orgFolder = keepsOrg && result == 1 ? "p.1.org" : "p.org";
        if (org == Org::Folder) {
            EXPECT_TRUE(testing_support::readBytes(workFile(orgFolder + "/notes.txt"), kept));
            EXPECT_EQ(kept, other.bytes);
        }
        if (rgn == Rgn::Folder) {
            EXPECT_TRUE(testing_support::readBytes(workFile("p.rgn/notes.txt"), kept));
            EXPECT_EQ(kept, other.bytes);
        }

        // A run that stops writes nothing, and says why as the plan does.
        if (expected != RefusalKind::None) {
            ++refused;
            EXPECT_EQ(result, 0);
            EXPECT_FALSE(report.workingWritten);
            EXPECT_FALSE(report.pristineWritten);
            EXPECT_EQ(hasOrg, hadOrg);
            EXPECT_EQ(orgAfter, orgBefore);
            EXPECT_EQ(hasRgn, hadRgn);
            EXPECT_EQ(rgnAfter, rgnBefore);
            ASSERT_FALSE(texts.empty());
            std::string why;
            if (expected == RefusalKind::FirmwarePaths)
                why = firmware.refusal.message;
            else if (!updater)
                why = kNoUpdater;
            else if (expected == RefusalKind::CannotRead)
                why = cannotRead("p.rgn");
            else if (expected == RefusalKind::NotOriginal)
                why = notOriginal("p.rgn", crcOf(rgnBefore), crc);
            else if (expected == RefusalKind::WorkingUnreadable)
                why = unreadableWorkingFileMessage("p.rgn");
            else if (expected == RefusalKind::CannotWrite)
                why = "Cannot write p.rgn!\nDisk is full or file is write protected";
            else
                why = "p.rgn is neither the stock firmware nor a patch of p.org!";
            EXPECT_EQ(texts.back().substr(0, why.size()), why);
            // Stopped where the plan stops: nothing of the fit pass was shown.
            EXPECT_FALSE(report.fitted);
            continue;
        }

        // A run that goes on writes the plan's bytes: the unpatched image as
        // the pristine copy when the plan says so, the patched one as the
        // working file; and those are the rule's bytes for the stock image.
        ++written;
        ASSERT_EQ(result, 1);
        const Fitted rule = fit(made, lines, lang);
        EXPECT_EQ(unpatched, made.bytes);
        EXPECT_EQ(planned, rule.image);
        EXPECT_EQ(rgnAfter, planned);
        EXPECT_EQ(report.pristineWritten, firmware.writesPristine);
        for (std::int32_t e = 0; e < firmware.located; ++e) {
            const MadeText& text = made.texts[static_cast<std::size_t>(e)];
            EXPECT_EQ(firmware.texts[e], std::string(made.bytes.begin() + text.start,
                                                     made.bytes.begin() + text.start + text.length));
        }
        EXPECT_EQ(orgAfter, firmware.writesPristine ? unpatched : orgBefore);
        EXPECT_EQ(report.pristineKeptAs, firmware.pristineKeptAs);
        if (org == Org::Other && keepsOrg) {
            EXPECT_TRUE(testing_support::readBytes(workFile("p.1.org"), kept));
            EXPECT_EQ(kept, other.bytes);
        }

        // The report and the summary say what the plan's verdicts say.
        const LinesPlan& judged = plan.lines;
        ASSERT_TRUE(report.fitted);
        EXPECT_EQ(report.located, firmware.located);
        EXPECT_EQ(report.notFitting, judged.notFitting());
        EXPECT_EQ(judged.notFitting(), rule.notFitting);
        ASSERT_EQ(report.fit.count, judged.fit.count);
        std::vector<std::string> reasons;
        for (std::int32_t e = 0; e < judged.fit.count; ++e) {
            EXPECT_EQ(report.fit.entries[e].replaced, judged.fit.entries[e].replaced);
            EXPECT_EQ(std::string(report.fit.entries[e].candidate), std::string(judged.fit.entries[e].candidate));
            EXPECT_EQ(report.verdicts.languages[e].kind, judged.verdicts.languages[e].kind);
            if (!judged.verdicts.languages[e].fits())
                reasons.push_back(summaryLine(firmware.table.entries[e].name, judged.verdicts.languages[e]));
        }
        EXPECT_EQ(reasons, rule.reasons);
        std::vector<std::string> said;
        if (keepsOrg)
            said.push_back(keptAsideMessage("p.org", "p.1.org"));
        if (firmware.missesText())
            said.push_back("Could not find WARNING text " + std::to_string(firmware.located) + ", " +
                           firmware.table.entries[firmware.located].keywordA);
        if (judged.notFitting() > 0) {
            ++partial;
            said.push_back(summary(rule));
        }
        said.push_back(askUpdater(rule));
        EXPECT_EQ(texts, said);
    }
    // The rounds cover each way a run can end.
    EXPECT_GT(written, 10);
    EXPECT_GT(refused, 10);
    EXPECT_GT(writeProtected, 3);
    EXPECT_GT(partial, 3);
}

} // namespace
