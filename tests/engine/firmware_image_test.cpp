#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>
#include <zlib.h>

#include "engine/firmware_image.h"
#include "tests/engine/engine_fixture.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using testing_support::readBytes;
using testing_support::writeBytes;
using testing_support::writeText;

namespace {

std::vector<unsigned char> bytesOf(const std::string& s)
{
    return std::vector<unsigned char>(s.begin(), s.end());
}

std::size_t filesIn(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

class ImageFileTest : public ::testing::Test {
protected:
    ~ImageFileTest() override { releaseImage(image); }
    // Reading and writing show no message except when memory runs out.
    void TearDown() override
    {
        for (const auto& m : boxes.messages)
            ADD_FAILURE() << "unexpected message: " << m.text;
    }

    testing_support::TempDir dir;
    testing_support::RecordingMessageBoxes boxes;
    FirmwareImage image;
};

// ---- reading

TEST_F(ImageFileTest, MissingFileFails)
{
    EXPECT_EQ(readImageFile(dir.file("absent.rgn").c_str(), image), 0u);
    EXPECT_EQ(image.bytes, nullptr);
    EXPECT_EQ(image.size, 0u);
    EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(ImageFileTest, EmptyFileFailsAndIsClosedAgain)
{
    const std::string path = dir.file("empty.rgn");
    ASSERT_TRUE(writeText(path, ""));
    EXPECT_EQ(readImageFile(path.c_str(), image), 0u);
    EXPECT_EQ(image.bytes, nullptr);
    EXPECT_EQ(image.size, 0u);
    // Nothing holds the file: it can be opened without sharing at once.
    const platform::FileHandle f = platform::openExclusive(path.c_str(), false);
    EXPECT_NE(f, platform::kClosedFile);
    platform::closeFile(f);
    const unsigned char byte = 'x';
    EXPECT_EQ(writeImageFile(path.c_str(), &byte, 1), 1);
    EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(ImageFileTest, OneByteFile)
{
    const std::string path = dir.file("one.rgn");
    ASSERT_TRUE(writeText(path, "a"));
    EXPECT_EQ(readImageFile(path.c_str(), image), 0xE8B7BE43u); // CRC-32 of "a"
    ASSERT_NE(image.bytes, nullptr);
    EXPECT_EQ(image.size, 1u);
    EXPECT_EQ(image.bytes[0], 'a');
    EXPECT_EQ(image.bytes[1], 0);
}

TEST_F(ImageFileTest, KnownChecksumAndEmbeddedNuls)
{
    const std::string path = dir.file("nuls.rgn");
    std::string content = "123456789";
    ASSERT_TRUE(writeText(path, content));
    EXPECT_EQ(readImageFile(path.c_str(), image), 0xCBF43926u); // the CRC-32 check value
    releaseImage(image);

    std::vector<unsigned char> withNuls = {0, 'A', 0, 0, 'B', 0};
    ASSERT_TRUE(writeBytes(path, withNuls));
    const std::uint32_t crc = readImageFile(path.c_str(), image);
    EXPECT_EQ(crc, static_cast<std::uint32_t>(crc32(0L, withNuls.data(), 6)));
    ASSERT_EQ(image.size, 6u);
    EXPECT_EQ(std::vector<unsigned char>(image.bytes, image.bytes + 6), withNuls);
    EXPECT_EQ(image.bytes[6], 0);
}

TEST_F(ImageFileTest, ReadEmptiesAFilledImageFirst)
{
    const std::string path = dir.file("a.rgn");
    ASSERT_TRUE(writeText(path, "abc"));
    ASSERT_NE(readImageFile(path.c_str(), image), 0u);
    // Read into the filled image: its old block is given back (a leak shows
    // under the sanitizer build), and the new bytes replace the old.
    const std::string second = dir.file("b.rgn");
    ASSERT_TRUE(writeText(second, "defgh"));
    ASSERT_NE(readImageFile(second.c_str(), image), 0u);
    EXPECT_EQ(image.size, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.bytes)), "defgh");
    // A failed read of a further file leaves the image empty, not the old bytes.
    EXPECT_EQ(readImageFile(dir.file("missing").c_str(), image), 0u);
    EXPECT_EQ(image.bytes, nullptr);
    EXPECT_EQ(image.size, 0u);
}

TEST_F(ImageFileTest, LargeFileIsReadWhole)
{
    // Larger than any single request a platform might cut a read into.
    std::vector<unsigned char> big(5 * 1024 * 1024 + 3);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    const std::string path = dir.file("big.rgn");
    ASSERT_TRUE(writeBytes(path, big));
    const std::uint32_t crc = readImageFile(path.c_str(), image);
    EXPECT_EQ(crc, static_cast<std::uint32_t>(crc32(0L, big.data(), static_cast<uInt>(big.size()))));
    ASSERT_EQ(image.size, big.size());
    EXPECT_EQ(0, std::memcmp(image.bytes, big.data(), big.size()));
}

TEST_F(ImageFileTest, FolderIsNotAnImage)
{
    EXPECT_EQ(readImageFile(dir.path().c_str(), image), 0u);
    EXPECT_EQ(image.bytes, nullptr);
}

TEST_F(ImageFileTest, FileHeldForWritingCannotBeRead)
{
    const std::string path = dir.file("held.rgn");
    ASSERT_TRUE(writeText(path, "content"));
    const platform::FileHandle writer = platform::openExclusive(path.c_str(), false);
    ASSERT_NE(writer, platform::kClosedFile);
    EXPECT_EQ(readImageFile(path.c_str(), image), 0u);
    EXPECT_EQ(image.bytes, nullptr);
    platform::closeFile(writer);
    EXPECT_NE(readImageFile(path.c_str(), image), 0u);
}

TEST_F(ImageFileTest, ReleaseIsSafeTwiceAndOnAnEmptyImage)
{
    releaseImage(image);
    EXPECT_EQ(image.bytes, nullptr);
    const std::string path = dir.file("r.rgn");
    ASSERT_TRUE(writeText(path, "xyz"));
    ASSERT_NE(readImageFile(path.c_str(), image), 0u);
    releaseImage(image);
    EXPECT_EQ(image.bytes, nullptr);
    EXPECT_EQ(image.size, 0u);
    releaseImage(image);
    EXPECT_EQ(image.bytes, nullptr);
}

// ---- writing

TEST_F(ImageFileTest, WriteCreatesTheFile)
{
    const std::string path = dir.file("new.rgn");
    const auto bytes = bytesOf(std::string("fresh\0bytes", 11));
    EXPECT_EQ(writeImageFile(path.c_str(), bytes.data(), 11), 1);
    std::vector<unsigned char> back;
    ASSERT_TRUE(readBytes(path, back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST_F(ImageFileTest, ShorterImageLeavesNoOldBytes)
{
    const std::string path = dir.file("w.rgn");
    ASSERT_TRUE(writeText(path, std::string(1000, 'L')));
    const auto bytes = bytesOf("short");
    EXPECT_EQ(writeImageFile(path.c_str(), bytes.data(), 5), 1);
    std::vector<unsigned char> back;
    ASSERT_TRUE(readBytes(path, back));
    EXPECT_EQ(back, bytes);
}

TEST_F(ImageFileTest, ZeroBytesFailsAndKeepsTheTarget)
{
    const std::string path = dir.file("keep.rgn");
    ASSERT_TRUE(writeText(path, "old bytes"));
    const unsigned char byte = 0;
    EXPECT_EQ(writeImageFile(path.c_str(), &byte, 0), 0);
    EXPECT_EQ(testing_support::readText(path), "old bytes");
    EXPECT_EQ(writeImageFile(dir.file("none.rgn").c_str(), &byte, 0), 0);
    EXPECT_FALSE(testing_support::exists(dir.file("none.rgn")));
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST_F(ImageFileTest, BadPathsFail)
{
    const auto bytes = bytesOf("data");
    EXPECT_EQ(writeImageFile(dir.file("no/such/folder/x.rgn").c_str(), bytes.data(), 4), 0);
    EXPECT_EQ(writeImageFile("", bytes.data(), 4), 0);
    EXPECT_EQ(writeImageFile(dir.path().c_str(), bytes.data(), 4), 0); // a folder
    EXPECT_EQ(writeImageFile(dir.file("x.rgn").c_str(), nullptr, 4), 0);
    EXPECT_EQ(filesIn(dir.path()), 0u);
}

TEST_F(ImageFileTest, TargetHeldByAReaderIsNotReplaced)
{
    const std::string path = dir.file("busy.rgn");
    ASSERT_TRUE(writeText(path, "in use"));
    const platform::FileHandle reader = platform::openForReading(path.c_str());
    ASSERT_NE(reader, platform::kClosedFile);
    const auto bytes = bytesOf("new");
    EXPECT_EQ(writeImageFile(path.c_str(), bytes.data(), 3), 0);
    platform::closeFile(reader);
    EXPECT_EQ(testing_support::readText(path), "in use");
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST_F(ImageFileTest, RoundTripKeepsEveryByte)
{
    std::vector<unsigned char> all(256 * 3);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<unsigned char>(i);
    const std::string path = dir.file("all.rgn");
    ASSERT_EQ(writeImageFile(path.c_str(), all.data(), static_cast<std::uint32_t>(all.size())), 1);
    const std::uint32_t crc = readImageFile(path.c_str(), image);
    EXPECT_EQ(crc, static_cast<std::uint32_t>(crc32(0L, all.data(), static_cast<uInt>(all.size()))));
    ASSERT_EQ(image.size, all.size());
    EXPECT_EQ(0, std::memcmp(image.bytes, all.data(), all.size()));
}

#ifndef _WIN32

TEST_F(ImageFileTest, WriteProtectedTargetIsKept)
{
    // No write permission for anyone: refused even for root, as a read-only
    // file is on Windows.
    const std::string path = dir.file("ro.rgn");
    ASSERT_TRUE(writeText(path, "protected"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const auto bytes = bytesOf("patched");
    EXPECT_EQ(writeImageFile(path.c_str(), bytes.data(), 7), 0);
    EXPECT_EQ(testing_support::readText(path), "protected");
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST_F(ImageFileTest, ReplacedFileKeepsItsPermissions)
{
    const std::string path = dir.file("mode.rgn");
    ASSERT_TRUE(writeText(path, "old"));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const auto bytes = bytesOf("new");
    ASSERT_EQ(writeImageFile(path.c_str(), bytes.data(), 3), 1);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

class UnprivilegedImageFileTest : public ImageFileTest {
protected:
    void SetUp() override
    {
        if (!testing_support::canDropPrivileges())
            GTEST_SKIP() << "needs root to run a check as another user";
    }
};

TEST_F(UnprivilegedImageFileTest, UnreadableFileFails)
{
    const std::string path = dir.file("secret.rgn");
    ASSERT_TRUE(writeText(path, "firmware"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0); // root's alone
    const int code = testing_support::runUnprivileged([&] {
        FirmwareImage mine;
        const std::uint32_t crc = readImageFile(path.c_str(), mine);
        return (crc == 0 && mine.bytes == nullptr && mine.size == 0) ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    // The same file is readable to its owner: the refusal was the permission.
    EXPECT_NE(readImageFile(path.c_str(), image), 0u);
}

TEST_F(UnprivilegedImageFileTest, TargetWithoutWriteAccessIsKept)
{
    const std::string path = dir.file("theirs.rgn");
    ASSERT_TRUE(writeText(path, "owned by root"));
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    const int code = testing_support::runUnprivileged([&] {
        const unsigned char bytes[] = "patched";
        // The folder is writable to all, so only the file's own protection stops it.
        return writeImageFile(path.c_str(), bytes, 7) == 0 ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(testing_support::readText(path), "owned by root");
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST_F(UnprivilegedImageFileTest, FolderWithoutWriteAccessFailsWithoutTrace)
{
    const std::string folder = dir.file("locked");
    ASSERT_TRUE(fs::create_directory(folder));
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    const std::string path = folder + "/x.rgn";
    const int code = testing_support::runUnprivileged([&] {
        const unsigned char bytes[] = "data";
        return writeImageFile(path.c_str(), bytes, 4) == 0 ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(filesIn(folder), 0u);
}

TEST_F(ImageFileTest, FileOfFourGibibytesOrMoreIsRefused)
{
    // Its size seen in 32 bits is 5: reading five bytes must not pass for the file.
    const std::string path = dir.file("4g.rgn");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (1LL << 32) + 5), 0);
    ::close(fd);
    EXPECT_EQ(readImageFile(path.c_str(), image), 0u);
    EXPECT_EQ(image.bytes, nullptr);
    EXPECT_EQ(image.size, 0u);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(ImageFileTest, AllocationFailureIsReported)
{
    // A sparse file far larger than the memory the child may take.
    const std::string path = dir.file("huge.rgn");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 3LL * 1024 * 1024 * 1024), 0);
        ::close(fd);
    }
    const int code = testing_support::runInChild([&] {
        const rlimit limit{512L * 1024 * 1024, 512L * 1024 * 1024};
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            return 10;
        testing_support::RecordingMessageBoxes seen;
        FirmwareImage mine;
        if (readImageFile(path.c_str(), mine) != 0 || mine.bytes != nullptr || mine.size != 0)
            return 11;
        if (seen.messages.size() != 1)
            return 12;
        const auto& m = seen.messages[0];
        if (m.text != "GlobalAlloc failed!" || m.caption != "Zarnek Wendrix" ||
            m.style != platform::MbOk || m.owner != nullptr)
            return 13;
        // The file was closed again: it can be opened without sharing.
        const platform::FileHandle f = platform::openExclusive(path.c_str(), false);
        if (f == platform::kClosedFile)
            return 14;
        platform::closeFile(f);
        return 0;
    });
    EXPECT_EQ(code, 0);
}
#endif

#endif

} // namespace
