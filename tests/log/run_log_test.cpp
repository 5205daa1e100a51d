#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "log/run_log.h"
#include "platform/platform.h"
#include "tests/support/test_helpers.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using testing_support::exists;
using testing_support::readText;
using testing_support::writeText;

namespace {

const std::string kRule(70, '-');
const std::string kBanner = kRule + "\r\n*****  Wendrix  *****\r\n" + kRule + "\r\n\r\n";

TEST(RunLogPathTest, LastFourCharactersBecomeDotLog)
{
    const std::string longExe = std::string(300, 'd') + ".exe";
    const struct {
        const char* exe;
        std::string log;
    } cases[] = {
        {"C:\\Tools\\Wendrix.exe", "C:\\Tools\\Wendrix.LOG"},
        {"C:\\x\\tool.ex", "C:\\x\\too.LOG"},
        {"/opt/w/wendrix.exe", "/opt/w/wendrix.LOG"},
        {"abcd", ".LOG"},
        {"abc", "DEFAULT.LOG"},
        {"", "DEFAULT.LOG"},
        {nullptr, "DEFAULT.LOG"},
        {longExe.c_str(), std::string(255, 'd') + ".LOG"}, // cut to the 259 characters the buffer holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        EXPECT_EQ(std::string(RunLog(c.exe).path), c.log);
    }
    char exe[260];
    ASSERT_GT(platform::executablePath(exe, sizeof exe), 4u);
    std::string expected = exe;
    expected.replace(expected.size() - 4, 4, ".LOG");
    RunLog log;
    EXPECT_EQ(std::string(log.path), expected);
    EXPECT_EQ(log.file, platform::kClosedFile);
}

class RunLogTest : public ::testing::Test {
protected:
    RunLogTest() : log(dir.file("wendrix.exe").c_str()) {}

    std::string current() const { return dir.file("wendrix.LOG"); }
    std::string numbered(int k) const { return dir.file("wendrix." + std::to_string(k) + ".LOG"); }
    bool readable() const
    {
        const auto f = platform::openForReading(current().c_str());
        platform::closeFile(f);
        return f != platform::kClosedFile;
    }
    // Numbered logs 1 to 9 hold these texts; an empty text means the file is absent.
    void expectNumbered(const std::vector<std::string>& texts) const
    {
        for (int k = 1; k <= 9; ++k) {
            EXPECT_EQ(exists(numbered(k)), !texts[k - 1].empty()) << k;
            EXPECT_EQ(readText(numbered(k)), texts[k - 1]) << k;
        }
    }
    // One patch run's worth: a fresh log with a banner and a line naming the run.
    void run(RunLog& l, const std::string& line)
    {
        EXPECT_EQ(l.open(0), 1);
        l.writeBanner("Wendrix");
        l.close();
        l.writeLine(line.c_str());
    }

    testing_support::TempDir dir;
    testing_support::RecordingMessageBoxes boxes;
    RunLog log;
};

TEST_F(RunLogTest, LinesAreAppendedExactly)
{
    ASSERT_TRUE(writeText(current(), "earlier\r\n"));
    ASSERT_EQ(log.open(1), 1);
    EXPECT_EQ(log.writeBanner("Wendrix"), 1);
    const auto handle = log.file;
    log.writeLine("inside");
    EXPECT_EQ(log.file, handle); // an open log stays open, held without sharing
    EXPECT_FALSE(readable());
    log.write("a", 0);
    log.write("b", 1);
    log.write("", 0);
    EXPECT_EQ(log.close(), 1);
    EXPECT_EQ(log.writeLine(""), 1);
    EXPECT_EQ(log.file, platform::kClosedFile); // a closed log is closed again after each line
    EXPECT_TRUE(readable());
    EXPECT_EQ(log.writeLine("last"), 1);
    EXPECT_EQ(readText(current()), "earlier\r\n" + kBanner + "inside\r\nab\r\n\r\nlast\r\n");
    EXPECT_FALSE(exists(numbered(1))); // appending never rotates
}

TEST_F(RunLogTest, ClosedOrHeldLogDropsWritesSilentlyAndNeverStaysHeld)
{
    EXPECT_EQ(log.close(), 1);
    EXPECT_EQ(log.close(), 1);
    log.write("dropped", 1);
    EXPECT_FALSE(exists(current()));

    ASSERT_TRUE(writeText(current(), "held\r\n"));
    const auto other = platform::openExclusive(current().c_str(), false);
    ASSERT_NE(other, platform::kClosedFile);
    EXPECT_EQ(log.open(1), 0);
    EXPECT_EQ(log.file, platform::kClosedFile);
    EXPECT_EQ(log.writeLine("lost"), 1);
    EXPECT_EQ(log.file, platform::kClosedFile);
    platform::closeFile(other);
    EXPECT_EQ(readText(current()), "held\r\n");
    EXPECT_TRUE(boxes.messages.empty());

    {
        RunLog other(dir.file("wendrix.exe").c_str());
        ASSERT_EQ(other.open(1), 1);
    }
    EXPECT_TRUE(readable()); // destroying an open log released it
}

TEST_F(RunLogTest, ElevenRunsKeepTheNewestAndNineOlder)
{
    for (int i = 1; i <= 11; ++i)
        run(log, "run " + std::to_string(i));
    EXPECT_EQ(readText(current()), kBanner + "run 11\r\n");
    std::vector<std::string> older;
    for (int k = 1; k <= 9; ++k)
        older.push_back(kBanner + "run " + std::to_string(11 - k) + "\r\n");
    expectNumbered(older);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 10u); // run 1's log is gone
}

TEST_F(RunLogTest, RotationMovesGapsAlongAndNeedsNoCurrentLog)
{
    ASSERT_TRUE(writeText(current(), "current"));
    ASSERT_TRUE(writeText(numbered(1), "one"));
    ASSERT_TRUE(writeText(numbered(3), "three"));
    ASSERT_EQ(log.open(0), 1);
    log.close();
    EXPECT_EQ(readText(current()), "");
    expectNumbered({"current", "one", "", "three", "", "", "", "", ""});

    ASSERT_TRUE(fs::remove(current()));
    ASSERT_TRUE(writeText(numbered(9), "nine"));
    ASSERT_EQ(log.open(0), 1);
    log.close();
    EXPECT_TRUE(exists(current()));
    expectNumbered({"", "current", "one", "", "three", "", "", "", ""});
}

TEST_F(RunLogTest, PathsTooLongForNumberedNamesAreWrittenNotRotated)
{
#ifdef _WIN32
    GTEST_SKIP() << "the ANSI file calls cannot create folders this deep";
#endif
    for (std::size_t length : {257u, 258u, 259u}) {
        SCOPED_TRACE(length);
        // dir/<folder>/w.exe, the folder split into parts any file system takes.
        std::string folder = dir.path();
        if (folder.size() + 8 > length)
            GTEST_SKIP() << "temporary folder path too long";
        for (std::size_t remaining = length - folder.size() - 7; remaining > 0;) {
            const std::size_t part = std::min<std::size_t>(remaining, 200);
            folder += "/" + std::string(part - (remaining > part ? 1 : 0), 'p');
            remaining -= part;
        }
        fs::create_directories(folder);
        const std::string exe = folder + "/w.exe";
        ASSERT_EQ(exe.size(), length);
        RunLog longLog(exe.c_str());
        ASSERT_EQ(std::string(longLog.path).size(), length);
        ASSERT_TRUE(writeText(longLog.path, "previous\r\n"));
        run(longLog, "kept");
        const std::string numberedOne = folder + "/w.1.LOG";
        EXPECT_EQ(readText(numberedOne), length <= 257 ? "previous\r\n" : "");
        EXPECT_EQ(exists(numberedOne), length <= 257);
        EXPECT_EQ(readText(longLog.path), kBanner + "kept\r\n");
        fs::remove(longLog.path);
        fs::remove(numberedOne);
    }
}

#ifndef _WIN32
TEST_F(RunLogTest, ReadOnlyFolderLeavesNoLogAndNoMessage)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run a check as another user";
    const std::string folder = dir.file("ro");
    fs::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0); // not writable to the other user
    const int code = testing_support::runUnprivileged([&] {
        testing_support::RecordingMessageBoxes seen;
        RunLog child((folder + "/wendrix.exe").c_str());
        if (child.open(0) != 0 || child.file != platform::kClosedFile)
            return 1;
        child.writeBanner("Wendrix");
        child.close();
        if (child.writeLine("--- Info ---") != 1 || child.file != platform::kClosedFile)
            return 2;
        return seen.messages.empty() ? 0 : 3;
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(exists(folder + "/wendrix.LOG"));
}
#endif

} // namespace
