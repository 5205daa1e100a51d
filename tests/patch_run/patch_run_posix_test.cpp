// The parts of the patch run that meet the operating system for real: the
// uploader started and waited for, the document handed to xdg-open, and files
// that the user may not write.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <filesystem>

#include "engine/patch_run.h"
#include "tests/patch_run/run_fixture.h"

namespace fs = std::filesystem;
using namespace run_expect;
using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kLockedFolder = kReadOnly | fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec;

class PatchRunSystemTest : public PatchRunFixture {
protected:
    void putFile(const std::string& path, const std::string& content, fs::perms mode)
    {
        ASSERT_TRUE(writeText(path, content));
        fs::permissions(path, mode, fs::perm_options::replace);
    }

    // Runs the patch as user nobody in a child process; the messages it
    // showed come back through a file. Returns the run's result or -1.
    int runAsNobody(std::vector<std::string>& messages)
    {
        const std::string out = root.file("child-messages.txt");
        const int result = testing_support::runUnprivileged([&] {
            const int r = PatchRun(nullptr, "Model A 2.40");
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

struct UploaderCase {
    const char* name;
    std::string content;
    fs::perms mode;
    bool wine;            // a wine stand-in on PATH
    int answer;
    std::string trace;    // what the uploader or wine wrote by the time the run returned
    std::string last;     // the last message shown
};

TEST_F(PatchRunSystemTest, UploaderIsStartedWaitedForOrReportedAndTheReportOpensAlways)
{
    const std::string trace = root.file("trace.txt");
    // The uploader writes "ended" only after its pause: the trace proves the wait.
    const std::string slow = "#!/bin/sh\necho \"started $#\" >> '" + trace + "'\n/bin/sleep 1\necho ended >> '" +
                             trace + "'\n";
    const UploaderCase cases[] = {
        {"started and waited for", slow, fs::perms::all, false, platform::IdOk, "started 0\nended\n", kAskUpdater},
        {"Cancel starts nothing", slow, fs::perms::all, false, platform::IdCancel, "", kAskUpdater},
        {"not executable", "#!/bin/sh\nexit 0\n", fs::perms::owner_read | fs::perms::owner_write, false,
         platform::IdOk, "", kCannotStart},
        {"Windows program without wine", "MZ\x90 not really a program", fs::perms::all, false, platform::IdOk, "",
         kCannotStart},
        {"Windows program through wine", "MZ\x90 stand-in", fs::perms::owner_read | fs::perms::owner_write, true, platform::IdOk, "./UPDATER.EXE\n",
         kAskUpdater},
    };
    const MadeFirmware made = standardFirmware();
    writeModel("Model A 2.40", "model.org", "model.rgn", hex8(crcOf(made.bytes)).c_str(), "10");
    putWork("model.rgn", made.bytes);
    setLines(ownerLines());
    const std::string question = askUpdater(fit(made, ownerLines(), 10));
    for (const UploaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(trace);
        fs::remove(root.file("opened.txt"));
        fs::remove(root.file("bin/wine"));
        if (c.wine)
            putFile(root.file("bin/wine"), "#!/bin/sh\necho \"$@\" > '" + trace + "'\n", fs::perms::all);
        putFile(workFile("UPDATER.EXE"), c.content, c.mode);
        boxes->messages.clear();
        answerOkCancel = c.answer;

        ASSERT_EQ(PatchRun(nullptr, "Model A 2.40"), 1);
        EXPECT_EQ(readText(trace), c.trace);
        ASSERT_FALSE(boxes->messages.empty());
        EXPECT_EQ(boxes->messages.back().text, c.last == kAskUpdater ? question : c.last);
        if (c.last == kCannotStart) {
            EXPECT_EQ(boxes->messages.back().style, unsigned(platform::MbIconError));
        }
        EXPECT_EQ(openedDocuments(true), std::vector<std::string>{"report.html"});
        EXPECT_EQ(workBytes("model.rgn"), fit(made, ownerLines(), 10).image);
    }
}

struct LockedCase {
    const char* org;
    const char* rgn;
    std::string failed;   // the path that could not be written
    bool rgnUntouched;    // the run stopped before fitting
};

TEST_F(PatchRunSystemTest, FileThatCannotBeWrittenIsReportedAndNothingIsLost)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as an unprivileged user";
    // A folder nobody may write holding a matching pristine copy and a patched,
    // read-only working file. (A stale pristine copy is not written over but
    // kept under a new name: see PatchRunTest.)
    const MadeFirmware made = standardFirmware();
    const std::vector<unsigned char> patched = fit(made, otherLines(), 10).image;
    const std::string locked = workFile("locked");
    fs::create_directory(locked);
    putWork("locked/model.org", made.bytes);
    putWork("locked/model.rgn", patched);
    fs::permissions(locked + "/model.rgn", kReadOnly, fs::perm_options::replace);
    fs::permissions(locked, kLockedFolder, fs::perm_options::replace);
    putWork("model.rgn", made.bytes);
    ASSERT_TRUE(writeText(workFile("UPDATER.EXE"), "MZ stand-in"));
    setLines(ownerLines());

    const LockedCase cases[] = {
        {"locked/model.org", "locked/model.rgn", "locked/model.rgn", false},
        {"locked/new.org", "model.rgn", "locked/new.org", true},
    };
    for (const LockedCase& c : cases) {
        SCOPED_TRACE(c.org);
        writeModel("Model A 2.40", c.org, c.rgn, hex8(crcOf(made.bytes)).c_str(), "10");
        std::vector<std::string> messages;
        ASSERT_EQ(runAsNobody(messages), 0);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), cannotWrite(c.failed));
        const std::vector<std::string> logged = logLines();
        ASSERT_FALSE(logged.empty());
        EXPECT_EQ(logged.back(), "**** Cannot write " + c.failed + "!");
        if (c.rgnUntouched) {
            EXPECT_EQ(messages.size(), 1u);
            std::vector<std::string> expected = logHead("Model A 2.40", c.rgn, crcOf(made.bytes));
            expected.push_back("**** Cannot write " + c.failed + "!");
            EXPECT_EQ(logged, expected);
        }
        EXPECT_EQ(workBytes("locked/model.rgn"), patched);
        EXPECT_EQ(workBytes("locked/model.org"), made.bytes);
        EXPECT_EQ(workBytes("model.rgn"), made.bytes);
        // No temporary file was left behind.
        EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 2);
        EXPECT_TRUE(openedDocuments(false).empty());
    }
}

} // namespace

#else

TEST(PatchRunSystemTest, NeedsPosix)
{
    GTEST_SKIP() << "POSIX processes, xdg-open and privilege drops are not available here";
}

#endif
