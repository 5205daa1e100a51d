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
using testing_support::readText;
using testing_support::writeBytes;
using testing_support::writeText;

namespace {

std::size_t filesIn(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

std::uint32_t zlibCrc(const std::vector<unsigned char>& bytes)
{
    return static_cast<std::uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

// Whether the file can be opened without sharing, i.e. nobody holds it.
bool nobodyHolds(const std::string& path)
{
    const platform::FileHandle f = platform::openExclusive(path.c_str(), false);
    platform::closeFile(f);
    return f != platform::kClosedFile;
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

    void expectFailedRead(const std::string& path)
    {
        EXPECT_EQ(readImageFile(path.c_str(), image), 0u) << path;
        EXPECT_EQ(image.bytes, nullptr);
        EXPECT_EQ(image.size, 0u);
    }

    void expectReadBack(const std::string& path, const std::vector<unsigned char>& bytes, std::uint32_t crc)
    {
        EXPECT_EQ(readImageFile(path.c_str(), image), crc);
        ASSERT_EQ(image.size, bytes.size());
        EXPECT_EQ(std::vector<unsigned char>(image.bytes, image.bytes + image.size), bytes);
        EXPECT_EQ(image.bytes[image.size], 0);
    }

    void expectKept(const std::string& path, const std::string& content, std::size_t files = 1)
    {
        EXPECT_EQ(readText(path), content);
        EXPECT_EQ(filesIn(dir.path()), files);
    }

    testing_support::TempDir dir;
    testing_support::RecordingMessageBoxes boxes;
    FirmwareImage image;
};

TEST_F(ImageFileTest, ReadGivesTheChecksumAndEveryByte)
{
    std::vector<unsigned char> big(5 * 1024 * 1024 + 3); // more than one request may carry
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    const std::vector<unsigned char> nuls = {0, 'A', 0, 0, 'B', 0};
    struct Case {
        std::vector<unsigned char> bytes;
        std::uint32_t crc;
    };
    const Case cases[] = {
        {{'a'}, 0xE8B7BE43u},
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0xCBF43926u}, // the CRC-32 check value
        {nuls, zlibCrc(nuls)},
        {big, zlibCrc(big)},
    };
    const std::string path = dir.file("image.rgn");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        ASSERT_TRUE(writeBytes(path, c.bytes));
        expectReadBack(path, c.bytes, c.crc); // a filled image is emptied first
        EXPECT_EQ(fileCrc(path.c_str()), c.crc); // summed slice after slice
    }
}

TEST_F(ImageFileTest, FailedReadsLeaveTheImageEmpty)
{
    const std::string empty = dir.file("empty.rgn");
    ASSERT_TRUE(writeText(empty, ""));
    ASSERT_TRUE(writeText(dir.file("a.rgn"), "abc"));
    ASSERT_NE(readImageFile(dir.file("a.rgn").c_str(), image), 0u);
    for (const std::string& path : {dir.file("absent.rgn"), empty, dir.path()})
        expectFailedRead(path);
    // The empty file was closed again: it can be written at once.
    EXPECT_TRUE(nobodyHolds(empty));
    const unsigned char byte = 'x';
    EXPECT_EQ(writeImageFile(empty.c_str(), &byte, 1), 1);

    const std::string held = dir.file("held.rgn");
    ASSERT_TRUE(writeText(held, "content"));
    const platform::FileHandle writer = platform::openExclusive(held.c_str(), false);
    ASSERT_NE(writer, platform::kClosedFile);
    expectFailedRead(held);
    platform::closeFile(writer);
    EXPECT_NE(readImageFile(held.c_str(), image), 0u);
}

TEST_F(ImageFileTest, ReleaseIsSafeTwiceAndOnAnEmptyImage)
{
    releaseImage(image);
    EXPECT_EQ(image.bytes, nullptr);
    const std::string path = dir.file("r.rgn");
    ASSERT_TRUE(writeText(path, "xyz"));
    ASSERT_NE(readImageFile(path.c_str(), image), 0u);
    for (int i = 0; i < 2; ++i) {
        releaseImage(image);
        EXPECT_EQ(image.bytes, nullptr);
        EXPECT_EQ(image.size, 0u);
    }
}

TEST_F(ImageFileTest, WriteReplacesTheWholeFile)
{
    std::vector<unsigned char> all(256 * 3);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<unsigned char>(i);
    const std::string path = dir.file("w.rgn");
    ASSERT_EQ(writeImageFile(path.c_str(), all.data(), static_cast<std::uint32_t>(all.size())), 1);
    expectReadBack(path, all, zlibCrc(all));
    releaseImage(image);
    // A shorter image over a longer file leaves no old bytes behind, and no temporary file.
    const std::string shorter("fresh\0bytes", 11);
    EXPECT_EQ(writeImageFile(path.c_str(), reinterpret_cast<const unsigned char*>(shorter.data()), 11), 1);
    expectKept(path, shorter);
}

TEST_F(ImageFileTest, FailedWritesKeepTheTarget)
{
    const std::string path = dir.file("keep.rgn");
    ASSERT_TRUE(writeText(path, "old bytes"));
    const unsigned char data[] = "data";
    EXPECT_EQ(writeImageFile(path.c_str(), data, 0), 0);
    EXPECT_EQ(writeImageFile(dir.file("none.rgn").c_str(), data, 0), 0);
    EXPECT_EQ(writeImageFile(dir.file("no/such/folder/x.rgn").c_str(), data, 4), 0);
    EXPECT_EQ(writeImageFile("", data, 4), 0);
    EXPECT_EQ(writeImageFile(dir.path().c_str(), data, 4), 0);
    EXPECT_EQ(writeImageFile(dir.file("x.rgn").c_str(), nullptr, 4), 0);
    const platform::FileHandle reader = platform::openForReading(path.c_str());
    ASSERT_NE(reader, platform::kClosedFile);
    EXPECT_EQ(writeImageFile(path.c_str(), data, 4), 0);
    platform::closeFile(reader);
    expectKept(path, "old bytes");
}

#ifndef _WIN32

TEST_F(ImageFileTest, PermissionsOfTheTargetAreHonouredAndKept)
{
    // No write permission for anyone: refused even for root, as a read-only file is on Windows.
    const std::string ro = dir.file("ro.rgn");
    ASSERT_TRUE(writeText(ro, "protected"));
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    const unsigned char data[] = "patched";
    EXPECT_EQ(writeImageFile(ro.c_str(), data, 7), 0);
    expectKept(ro, "protected");

    const std::string mode = dir.file("mode.rgn");
    ASSERT_TRUE(writeText(mode, "old"));
    ASSERT_EQ(::chmod(mode.c_str(), 0640), 0);
    ASSERT_EQ(writeImageFile(mode.c_str(), data, 3), 1);
    struct stat st;
    ASSERT_EQ(::stat(mode.c_str(), &st), 0);
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

TEST_F(UnprivilegedImageFileTest, NoAccessMeansFailureAndNoTrace)
{
    const std::string secret = dir.file("secret.rgn"), theirs = dir.file("theirs.rgn"), folder = dir.file("locked");
    ASSERT_TRUE(writeText(secret, "firmware"));
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    ASSERT_TRUE(writeText(theirs, "owned by root"));
    ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);
    ASSERT_TRUE(fs::create_directory(folder));
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(testing_support::runUnprivileged([&] {
        FirmwareImage mine;
        const unsigned char bytes[] = "patched";
        // The outer folder is writable to all: only the file's own protection stops the write.
        return (readImageFile(secret.c_str(), mine) == 0 && mine.bytes == nullptr && mine.size == 0 ? 0 : 1) |
               (writeImageFile(theirs.c_str(), bytes, 7) == 0 ? 0 : 2) |
               (writeImageFile((folder + "/x.rgn").c_str(), bytes, 4) == 0 ? 0 : 4);
    }), 0);
    EXPECT_NE(readImageFile(secret.c_str(), image), 0u); // readable to its owner
    expectKept(theirs, "owned by root", 3);
    EXPECT_EQ(filesIn(folder), 0u);
}

// A sparse file of `size` bytes.
bool makeSparse(const std::string& path, long long size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::ftruncate(fd, size) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

TEST_F(ImageFileTest, FileOfFourGibibytesOrMoreIsRefused)
{
    // Its size seen in 32 bits is 5: reading five bytes must not pass for the file.
    const std::string path = dir.file("4g.rgn");
    ASSERT_TRUE(makeSparse(path, (1LL << 32) + 5));
    expectFailedRead(path);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(ImageFileTest, AllocationFailureIsReported)
{
    // Larger than the address space allowed below, smaller than the 2 GiB
    // that are refused before any block is asked for.
    const std::string path = dir.file("huge.rgn");
    ASSERT_TRUE(makeSparse(path, 1536LL * 1024 * 1024));
    EXPECT_EQ(testing_support::runInChild([&] {
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
        if (m.text != "GlobalAlloc failed!" || m.caption != "Zarnek Wendrix" || m.style != platform::MbOk ||
            m.owner != nullptr)
            return 13;
        return nobodyHolds(path) ? 0 : 14;
    }), 0);
}
#endif

#endif

} // namespace
