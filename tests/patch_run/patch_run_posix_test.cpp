// The parts of the patch run that meet the operating system for real: the
// uploader started and waited for, the document handed to xdg-open, and files
// that cannot be written because the user may not write them.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <filesystem>
#include <sys/stat.h>

#include "engine/patch_run.h"
#include "tests/patch_run/run_fixture.h"

namespace fs = std::filesystem;
using run_expect::crcOf;
using run_expect::hex8;
using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr char kCannotStart[] = "Could not start UPDATER.EXE\nRun UPDATER.EXE from command window";

class PatchRunSystemTest : public PatchRunFixture {
protected:
    void prepareModel(const MadeFirmware& made)
    {
        writeModel("Model A 2.40", "model.org", "model.rgn", hex8(crcOf(made.bytes)).c_str(), "10");
        putWork("model.rgn", made.bytes);
        setLines(ownerLines());
    }

    void makeExecutable(const std::string& path, const std::string& script)
    {
        ASSERT_TRUE(writeText(path, script));
        fs::permissions(path, fs::perms::all, fs::perm_options::replace);
    }

    // Runs the patch as user nobody in a child process; the messages it
    // showed come back through a file. Returns the run's result or -1.
    int runAsNobody(const char* section, std::vector<std::string>& messages)
    {
        const std::string out = root.file("child-messages.txt");
        const int result = testing_support::runUnprivileged([&] {
            const int r = PatchRun(nullptr, section);
            std::string joined;
            for (const auto& box : boxes->messages)
                joined += box.text + '\x1e';
            writeText(out, joined);
            return r;
        });
        const std::string joined = readText(out);
        std::size_t begin = 0;
        for (std::size_t end; (end = joined.find('\x1e', begin)) != std::string::npos; begin = end + 1)
            messages.push_back(joined.substr(begin, end - begin));
        return result;
    }
};

TEST_F(PatchRunSystemTest, UploaderIsStartedAndTheRunWaitsForItsEnd)
{
    const MadeFirmware made = standardFirmware();
    prepareModel(made);
    const std::string trace = root.file("updater-trace.txt");
    makeExecutable(workFile("UPDATER.EXE"),
                   "#!/bin/sh\necho \"started $#\" >> '" + trace + "'\n/bin/sleep 1\necho ended >> '" +
                       trace + "'\n");
    answerOkCancel = platform::IdOk;

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    // The run came back only after the uploader had finished.
    EXPECT_EQ(readText(trace), "started 0\nended\n");
    EXPECT_EQ(messageTexts().back(), "You may now run UPDATER\nStart UPDATER.EXE now?");
    EXPECT_EQ(openedDocuments(true), std::vector<std::string>{"report.html"});
}

TEST_F(PatchRunSystemTest, CancelStartsNothingAndStillOpensTheReport)
{
    const MadeFirmware made = standardFirmware();
    prepareModel(made);
    const std::string trace = root.file("updater-trace.txt");
    makeExecutable(workFile("UPDATER.EXE"), "#!/bin/sh\necho started >> '" + trace + "'\n");

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(openedDocuments(true), std::vector<std::string>{"report.html"});
    EXPECT_FALSE(testing_support::exists(trace));
}

TEST_F(PatchRunSystemTest, UploaderThatCannotBeStartedIsReportedAndTheRunSucceeds)
{
    const MadeFirmware made = standardFirmware();
    prepareModel(made);
    answerOkCancel = platform::IdOk;

    struct Case {
        const char* name;
        std::string content;
        fs::perms mode;
    };
    // A script without execute permission, and a Windows program with no
    // wine on PATH.
    const Case cases[] = {
        {"not executable", "#!/bin/sh\nexit 0\n", fs::perms::owner_read | fs::perms::owner_write},
        {"Windows program without wine", "MZ\x90\x00 not really a program", fs::perms::all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(root.file("opened.txt"));
        boxes->messages.clear();
        ASSERT_TRUE(writeText(workFile("UPDATER.EXE"), c.content));
        fs::permissions(workFile("UPDATER.EXE"), c.mode, fs::perm_options::replace);

        ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
        ASSERT_GE(boxes->messages.size(), 2u);
        EXPECT_EQ(boxes->messages.back().text, kCannotStart);
        EXPECT_EQ(boxes->messages.back().style, unsigned(platform::MbIconError));
        EXPECT_EQ(openedDocuments(true), std::vector<std::string>{"report.html"});
        EXPECT_EQ(workBytes("model.rgn"), run_expect::fit(made, ownerLines(), 10).image);
    }
}

TEST_F(PatchRunSystemTest, WindowsUploaderRunsThroughWine)
{
    const MadeFirmware made = standardFirmware();
    prepareModel(made);
    answerOkCancel = platform::IdOk;
    ASSERT_TRUE(writeText(workFile("UPDATER.EXE"), "MZ\x90 stand-in"));
    const std::string trace = root.file("wine-trace.txt");
    makeExecutable(root.file("bin/wine"), "#!/bin/sh\necho \"$@\" > '" + trace + "'\n");

    ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
    EXPECT_EQ(readText(trace), "./UPDATER.EXE\n");
    EXPECT_EQ(messageTexts().back(), "You may now run UPDATER\nStart UPDATER.EXE now?");
}

TEST_F(PatchRunSystemTest, ReadOnlyWorkingFileIsReportedAndKept)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as an unprivileged user";
    // The firmware lies in a folder nobody may write, the pristine copy matches.
    const MadeFirmware made = standardFirmware();
    const std::string locked = workFile("locked");
    fs::create_directory(locked);
    putWork("locked/model.org", made.bytes);
    putWork("locked/model.rgn", run_expect::fit(made, otherLines(), 10).image);
    fs::permissions(locked + "/model.rgn", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    fs::permissions(locked, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::replace);
    writeModel("Model A 2.40", "locked/model.org", "locked/model.rgn",
               hex8(crcOf(made.bytes)).c_str(), "10");
    putUpdater();
    setLines(ownerLines());

    std::vector<std::string> messages;
    ASSERT_EQ(runAsNobody("Model A 2.40", messages), 0);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Cannot write locked/model.rgn!\nDisk is full or file is write protected");
    EXPECT_EQ(logLines().back(), "**** Cannot write locked/model.rgn!");
    EXPECT_EQ(workBytes("locked/model.rgn"), run_expect::fit(made, otherLines(), 10).image);
    EXPECT_EQ(workBytes("locked/model.org"), made.bytes);
    // No temporary file was left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 2);
    EXPECT_TRUE(openedDocuments(false).empty());
}

TEST_F(PatchRunSystemTest, PristineCopyThatCannotBeWrittenStopsTheRunBeforeTheWorkingFile)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as an unprivileged user";
    const MadeFirmware made = standardFirmware();
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms lockedFolder = fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec;
    putUpdater();
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());

    // A pristine copy in a folder nobody may write; then an existing pristine
    // copy with another checksum that nobody may write, in a folder open to all.
    fs::create_directory(workFile("locked"));
    fs::permissions(workFile("locked"), lockedFolder, fs::perm_options::replace);
    putWork("stale.org", standardFirmware(10, 77).bytes);
    fs::permissions(workFile("stale.org"), readOnly, fs::perm_options::replace);

    for (const std::string org : {"locked/model.org", "stale.org"}) {
        SCOPED_TRACE(org);
        writeModel("Model A 2.40", org.c_str(), "model.rgn", hex8(crcOf(made.bytes)).c_str(), "10");
        std::vector<std::string> messages;
        ASSERT_EQ(runAsNobody("Model A 2.40", messages), 0);
        EXPECT_EQ(messages, std::vector<std::string>{"Cannot write " + org +
                                                     "!\nDisk is full or file is write protected"});
        std::vector<std::string> expectedLog = run_expect::logHead("Model A 2.40", "model.rgn", crcOf(made.bytes));
        expectedLog.push_back("**** Cannot write " + org + "!");
        EXPECT_EQ(logLines(), expectedLog);
        // The unpatched bytes still exist: the working file was not touched.
        EXPECT_EQ(workBytes("model.rgn"), made.bytes);
    }
    EXPECT_FALSE(workHas("locked/model.org"));
    EXPECT_EQ(workBytes("stale.org"), standardFirmware(10, 77).bytes);
    EXPECT_TRUE(openedDocuments(false).empty());
}

} // namespace

#else

// Starting programs, xdg-open and unprivileged users are POSIX matters here;
// the Windows side of these services has tests of its own.
TEST(PatchRunSystemTest, NeedsPosix)
{
    GTEST_SKIP() << "POSIX processes, xdg-open and privilege drops are not available here";
}

#endif
