#include <gtest/gtest.h>

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

// ---- the log's name

TEST(RunLogPathTest, LastFourCharactersBecomeDotLog)
{
    EXPECT_STREQ(RunLog("C:\\Tools\\Wendrix.exe").path, "C:\\Tools\\Wendrix.LOG");
    EXPECT_STREQ(RunLog("C:\\x\\tool.ex").path, "C:\\x\\too.LOG");
    EXPECT_STREQ(RunLog("/opt/w/wendrix.exe").path, "/opt/w/wendrix.LOG");
    EXPECT_STREQ(RunLog("abcd").path, ".LOG");
}

TEST(RunLogPathTest, ShortPathGivesDefaultLog)
{
    EXPECT_STREQ(RunLog("abc").path, "DEFAULT.LOG");
    EXPECT_STREQ(RunLog("").path, "DEFAULT.LOG");
    EXPECT_STREQ(RunLog(nullptr).path, "DEFAULT.LOG");
}

TEST(RunLogPathTest, OverlongPathIsCutToTheBuffer)
{
    const std::string exe = std::string(300, 'd') + ".exe";
    RunLog log(exe.c_str());
    const std::string path = log.path;
    EXPECT_EQ(path.size(), 259u);
    EXPECT_EQ(path, std::string(255, 'd') + ".LOG");
}

TEST(RunLogPathTest, DefaultConstructorUsesTheExecutable)
{
    char exe[260];
    ASSERT_GT(platform::executablePath(exe, sizeof exe), 4u);
    std::string expected = exe;
    expected.replace(expected.size() - 4, 4, ".LOG");
    RunLog log;
    EXPECT_EQ(std::string(log.path), expected);
    EXPECT_EQ(log.file, platform::kClosedFile);
}

// ---- writing

class RunLogTest : public ::testing::Test {
protected:
    RunLogTest() : log(dir.file("wendrix.exe").c_str()) {}

    std::string current() const { return dir.file("wendrix.LOG"); }
    std::string numbered(int k) const { return dir.file("wendrix." + std::to_string(k) + ".LOG"); }

    testing_support::TempDir dir;
    testing_support::RecordingMessageBoxes boxes;
    RunLog log;
};

TEST_F(RunLogTest, BannerIsExact)
{
    ASSERT_EQ(log.open(0), 1);
    EXPECT_EQ(log.writeBanner("Wendrix"), 1);
    EXPECT_EQ(log.close(), 1);
    EXPECT_EQ(readText(current()), kRule + "\r\n*****  Wendrix  *****\r\n" + kRule + "\r\n\r\n");
}

TEST_F(RunLogTest, WriteLineOnAClosedLogLeavesItClosed)
{
    EXPECT_EQ(log.writeLine("first"), 1);
    EXPECT_EQ(log.file, platform::kClosedFile);
    EXPECT_EQ(log.writeLine("second"), 1);
    EXPECT_EQ(readText(current()), "first\r\nsecond\r\n");
    // Closed between lines: another program may read it.
    const auto reader = platform::openForReading(current().c_str());
    EXPECT_NE(reader, platform::kClosedFile);
    platform::closeFile(reader);
}

TEST_F(RunLogTest, WriteLineOnAnOpenLogLeavesItOpen)
{
    ASSERT_EQ(log.open(0), 1);
    const auto handle = log.file;
    log.writeLine("inside");
    EXPECT_EQ(log.file, handle);
    // Held without sharing while open.
    EXPECT_EQ(platform::openForReading(current().c_str()), platform::kClosedFile);
    log.close();
    EXPECT_EQ(log.file, platform::kClosedFile);
    EXPECT_EQ(readText(current()), "inside\r\n");
}

TEST_F(RunLogTest, EmptyLineIsCrLfAlone)
{
    log.writeLine("");
    EXPECT_EQ(readText(current()), "\r\n");
}

TEST_F(RunLogTest, WriteWithoutNewline)
{
    ASSERT_EQ(log.open(0), 1);
    log.write("a", 0);
    log.write("b", 1);
    log.write("", 0);
    log.close();
    EXPECT_EQ(readText(current()), "ab\r\n");
}

TEST_F(RunLogTest, AppendKeepsWhatIsThere)
{
    ASSERT_TRUE(writeText(current(), "earlier\r\n"));
    ASSERT_EQ(log.open(1), 1);
    log.write("later", 1);
    log.close();
    EXPECT_EQ(readText(current()), "earlier\r\nlater\r\n");
    EXPECT_FALSE(exists(numbered(1)));
}

TEST_F(RunLogTest, CloseIsSafeWhenClosed)
{
    EXPECT_EQ(log.close(), 1);
    EXPECT_EQ(log.close(), 1);
    EXPECT_EQ(log.file, platform::kClosedFile);
    log.write("dropped", 1); // closed: nothing happens
    EXPECT_FALSE(exists(current()));
}

TEST_F(RunLogTest, LogHeldElsewhereDropsLinesSilently)
{
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
}

TEST_F(RunLogTest, DestroyingAnOpenLogReleasesIt)
{
    {
        RunLog other(dir.file("other.exe").c_str());
        ASSERT_EQ(other.open(0), 1);
    }
    const auto f = platform::openExclusive(dir.file("other.LOG").c_str(), false);
    EXPECT_NE(f, platform::kClosedFile);
    platform::closeFile(f);
}

// ---- rotation

// One patch run's worth: a fresh log with a banner and a line naming the run.
void run(RunLog& log, int number)
{
    log.open(0);
    log.writeBanner("Wendrix");
    log.close();
    log.writeLine(("run " + std::to_string(number)).c_str());
}

std::string lastLine(const std::string& text)
{
    const std::size_t end = text.rfind("\r\n");
    if (end == std::string::npos)
        return "";
    const std::size_t begin = text.rfind("\r\n", end - 1);
    return text.substr(begin == std::string::npos ? 0 : begin + 2, end - (begin == std::string::npos ? 0 : begin + 2));
}

TEST_F(RunLogTest, ElevenRunsKeepTheNewestAndNineOlder)
{
    for (int i = 1; i <= 11; ++i)
        run(log, i);
    EXPECT_EQ(lastLine(readText(current())), "run 11");
    for (int k = 1; k <= 9; ++k) {
        ASSERT_TRUE(exists(numbered(k))) << k;
        EXPECT_EQ(lastLine(readText(numbered(k))), "run " + std::to_string(11 - k)) << k;
    }
    EXPECT_FALSE(exists(numbered(10)));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 10u); // run 1's log is gone
    // Each log holds its own run only.
    EXPECT_EQ(readText(current()),
              kRule + "\r\n*****  Wendrix  *****\r\n" + kRule + "\r\n\r\nrun 11\r\n");
}

TEST_F(RunLogTest, GapsMoveUpWithTheirNeighbours)
{
    ASSERT_TRUE(writeText(current(), "current"));
    ASSERT_TRUE(writeText(numbered(1), "one"));
    ASSERT_TRUE(writeText(numbered(3), "three"));
    ASSERT_EQ(log.open(0), 1);
    log.close();
    EXPECT_EQ(readText(current()), "");
    EXPECT_EQ(readText(numbered(1)), "current");
    EXPECT_EQ(readText(numbered(2)), "one");
    EXPECT_FALSE(exists(numbered(3)));
    EXPECT_EQ(readText(numbered(4)), "three");
    for (int k : {5, 6, 7, 8, 9})
        EXPECT_FALSE(exists(numbered(k)));
}

TEST_F(RunLogTest, RotationWithoutACurrentLog)
{
    ASSERT_TRUE(writeText(numbered(1), "one"));
    ASSERT_TRUE(writeText(numbered(9), "nine"));
    ASSERT_EQ(log.open(0), 1);
    log.close();
    EXPECT_TRUE(exists(current()));
    EXPECT_FALSE(exists(numbered(1)));
    EXPECT_EQ(readText(numbered(2)), "one");
    EXPECT_EQ(readText(numbered(9)), ""); // deleted, and nothing moved into 9
    EXPECT_FALSE(exists(numbered(9)));
}

TEST_F(RunLogTest, OpeningForAppendDoesNotRotate)
{
    ASSERT_TRUE(writeText(current(), "x\r\n"));
    ASSERT_EQ(log.open(1), 1);
    log.close();
    EXPECT_FALSE(exists(numbered(1)));
}

// A log path of `length` characters inside the temporary folder.
std::string folderForLogPathOf(const testing_support::TempDir& dir, std::size_t length,
                               std::string& exe)
{
    // dir/<folder>/w.exe has the same length as its log dir/<folder>/w.LOG.
    const std::size_t fixed = dir.path().size() + 1 + 1 + 5; // "/" ... "/" "w.exe"
    std::string folder = dir.path() + "/";
    std::size_t remaining = length - fixed;
    // Split into parts of at most 200 characters, which any file system takes.
    while (remaining > 0) {
        const std::size_t part = remaining > 200 ? 200 : remaining;
        folder += std::string(part, 'p');
        remaining -= part;
        if (remaining > 0) {
            // one character of the part becomes the separator
            folder.back() = '/';
            fs::create_directories(folder);
        }
    }
    fs::create_directories(folder);
    exe = folder + "/w.exe";
    return folder;
}

TEST_F(RunLogTest, PathsTooLongForNumberedNamesAreWrittenNotRotated)
{
#ifdef _WIN32
    GTEST_SKIP() << "the ANSI file calls cannot create folders this deep";
#endif
    for (std::size_t length : {257u, 258u, 259u}) {
        if (dir.path().size() + 8 > length)
            GTEST_SKIP() << "temporary folder path too long";
        std::string exe;
        const std::string folder = folderForLogPathOf(dir, length, exe);
        ASSERT_EQ(exe.size(), length) << exe;
        RunLog longLog(exe.c_str());
        ASSERT_EQ(std::string(longLog.path).size(), length);
        ASSERT_TRUE(writeText(longLog.path, "previous\r\n"));
        ASSERT_EQ(longLog.open(0), 1) << length;
        longLog.writeBanner("Wendrix");
        longLog.close();
        longLog.writeLine("kept");
        const std::string numberedOne = folder + "/w.1.LOG";
        if (length <= 257) {
            EXPECT_EQ(readText(numberedOne), "previous\r\n") << length;
        } else {
            EXPECT_FALSE(exists(numberedOne)) << length;
        }
        EXPECT_EQ(lastLine(readText(longLog.path)), "kept") << length;
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
    const std::string exe = folder + "/wendrix.exe";
    const int code = testing_support::runUnprivileged([&] {
        testing_support::RecordingMessageBoxes seen;
        RunLog child(exe.c_str());
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
