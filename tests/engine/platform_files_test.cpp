// The OS-layer file calls the image files and the run log stand on.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"

namespace fs = std::filesystem;
using testing_support::exists;
using testing_support::readText;
using testing_support::writeText;

namespace {

class PlatformFilesTest : public ::testing::Test {
protected:
    // Whether `open` on the file succeeds now; the handle is closed again.
    static bool opens(platform::FileHandle f)
    {
        platform::closeFile(f);
        return f != platform::kClosedFile;
    }

    testing_support::TempDir dir;
};

TEST_F(PlatformFilesTest, SharingRules)
{
    const std::string path = dir.file("f");
    ASSERT_TRUE(writeText(path, "abc"));
    const auto r1 = platform::openForReading(path.c_str());
    const auto r2 = platform::openForReading(path.c_str());
    ASSERT_NE(r1, platform::kClosedFile);
    ASSERT_NE(r2, platform::kClosedFile);
    EXPECT_FALSE(opens(platform::openExclusive(path.c_str(), false)));
    EXPECT_FALSE(opens(platform::createForWriting(path.c_str())));
    platform::closeFile(r1);
    platform::closeFile(r2);
    EXPECT_EQ(readText(path), "abc"); // the refused create did not truncate

    const std::string log = dir.file("log");
    const auto w = platform::openExclusive(log.c_str(), true); // created when missing
    ASSERT_NE(w, platform::kClosedFile);
    EXPECT_FALSE(opens(platform::openForReading(log.c_str())));
    EXPECT_FALSE(opens(platform::openExclusive(log.c_str(), false)));
    platform::closeFile(w);
    EXPECT_TRUE(opens(platform::openForReading(log.c_str())));
    EXPECT_TRUE(opens(platform::openExclusive(path.c_str(), false)));
}

TEST_F(PlatformFilesTest, OpenKeepsAppendsOrTruncates)
{
    const std::string path = dir.file("x");
    ASSERT_TRUE(writeText(path, "0123456789"));
    auto f = platform::openExclusive(path.c_str(), false);
    ASSERT_NE(f, platform::kClosedFile);
    EXPECT_EQ(platform::fileSize(f), 10u);
    ASSERT_TRUE(platform::seekToEnd(f));
    EXPECT_EQ(platform::writeFile(f, "AB", 2), 2u);
    platform::closeFile(f);
    EXPECT_EQ(readText(path), "0123456789AB");

    f = platform::openExclusive(path.c_str(), true);
    ASSERT_NE(f, platform::kClosedFile);
    EXPECT_EQ(platform::fileSize(f), 0u);
    platform::closeFile(f);
    EXPECT_EQ(readText(path), "");

    ASSERT_TRUE(writeText(path, "long old content"));
    f = platform::createForWriting(path.c_str());
    ASSERT_NE(f, platform::kClosedFile);
    EXPECT_EQ(platform::writeFile(f, "new", 3), 3u);
    EXPECT_TRUE(platform::flushFile(f));
    platform::closeFile(f);
    EXPECT_EQ(readText(path), "new");
    EXPECT_FALSE(platform::flushFile(platform::kClosedFile));
}

TEST_F(PlatformFilesTest, ReadAndSizeReportBytesMoved)
{
    const std::string path = dir.file("r");
    ASSERT_TRUE(writeText(path, "hello"));
    const auto f = platform::openForReading(path.c_str());
    ASSERT_NE(f, platform::kClosedFile);
    EXPECT_EQ(platform::fileSize(f), 5u);
    char buffer[16] = {};
    EXPECT_EQ(platform::readFile(f, buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(platform::readFile(f, buffer, sizeof buffer), 0u); // end of file
    EXPECT_EQ(platform::writeFile(f, "no", 2), 0u);              // opened for reading
    platform::closeFile(f);

    EXPECT_EQ(platform::fileSize(platform::kClosedFile), 0xFFFFFFFFu);
    EXPECT_EQ(platform::readFile(platform::kClosedFile, buffer, 4), 0u);
    for (const std::string& bad : {dir.file("missing"), dir.path(), std::string()})
        EXPECT_FALSE(opens(platform::openForReading(bad.c_str()))) << bad;
}

TEST_F(PlatformFilesTest, TempFilesAreNewAndBesideTheTarget)
{
    const std::string target = dir.file("image.rgn");
    std::set<std::string> names;
    char temp[300];
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(opens(platform::createTempBeside(target.c_str(), temp, sizeof temp)));
        EXPECT_EQ(fs::path(temp).parent_path(), fs::path(dir.path()));
        EXPECT_TRUE(exists(temp));
        names.insert(temp);
    }
    EXPECT_EQ(names.size(), 5u);
    EXPECT_FALSE(exists(target));
#ifndef _WIN32
    char small[8]; // a name too long for the buffer is refused rather than cut
    EXPECT_FALSE(opens(platform::createTempBeside(target.c_str(), small, sizeof small)));
#endif
    EXPECT_FALSE(opens(platform::createTempBeside(dir.file("no/folder/x").c_str(), temp, sizeof temp)));
}

TEST_F(PlatformFilesTest, MoveNeverOverwritesReplaceDoes)
{
    const std::string a = dir.file("a"), b = dir.file("b");
    ASSERT_TRUE(writeText(a, "A"));
    ASSERT_TRUE(writeText(b, "B"));
    EXPECT_FALSE(platform::moveFile(a.c_str(), b.c_str()));
    EXPECT_EQ(readText(a), "A");
    EXPECT_EQ(readText(b), "B");
    EXPECT_TRUE(platform::replaceFile(a.c_str(), b.c_str()));
    EXPECT_FALSE(exists(a));
    EXPECT_EQ(readText(b), "A");
    EXPECT_TRUE(platform::moveFile(b.c_str(), a.c_str()));
    EXPECT_EQ(readText(a), "A");
    EXPECT_FALSE(exists(b));
    EXPECT_FALSE(platform::moveFile(b.c_str(), a.c_str())); // source gone

    EXPECT_TRUE(platform::fileExists(a.c_str()));
    EXPECT_TRUE(platform::fileExists(dir.path().c_str()));
    EXPECT_TRUE(platform::deleteFile(a.c_str()));
    EXPECT_FALSE(platform::fileExists(a.c_str()));
    EXPECT_FALSE(platform::deleteFile(a.c_str()));
    EXPECT_FALSE(platform::fileExists(""));
}

TEST_F(PlatformFilesTest, FolderNamesListWhatIsThere)
{
    ASSERT_TRUE(writeText(dir.file("wendrix.ini.bak"), "x"));
    ASSERT_TRUE(writeText(dir.file("b c.2.bak"), "y"));
    fs::create_directory(dir.file("sub"));
    ASSERT_TRUE(writeText(dir.file("sub/inner"), "z"));
    const std::set<std::string> expected = {"wendrix.ini.bak", "b c.2.bak", "sub"};
    std::vector<std::string> names = {"left over"};
    const char separator = fs::path::preferred_separator;
    for (const std::string& folder : {dir.path(), dir.path() + separator}) {
        SCOPED_TRACE(folder);
        ASSERT_TRUE(platform::folderNames(folder, names));
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
        EXPECT_EQ(names.size(), expected.size());
    }
    EXPECT_FALSE(platform::folderNames(dir.file("missing"), names));
    EXPECT_TRUE(names.empty());
}

TEST(PlatformProcessTest, ExecutablePathAndMemoryBlocks)
{
    char path[260];
    const std::size_t n = platform::executablePath(path, sizeof path);
    ASSERT_GT(n, 4u);
    EXPECT_EQ(std::strlen(path), n);
    const std::string text(path);
    // This program has no extension of its own on POSIX: ".exe" stands in.
    EXPECT_EQ(text.substr(text.size() - 4), ".exe");
    EXPECT_NE(text.find("engine_tests"), std::string::npos);
    char small[6];
    EXPECT_EQ(platform::executablePath(small, sizeof small), 5u);
    EXPECT_EQ(std::string(small), text.substr(0, 5));

    auto* block = static_cast<unsigned char*>(platform::allocBlock(4097));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, 4097);
    EXPECT_EQ(block[4096], 0xAB);
    platform::freeBlock(block);
    platform::freeBlock(nullptr);
}

} // namespace
