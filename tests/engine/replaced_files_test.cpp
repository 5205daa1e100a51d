// Every file the program replaces goes through one routine: whatever has the
// target's name, the outcome is a plain file with the new bytes or the old
// target untouched, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/firmware_image.h"
#include "platform/platform.h"
#include "tests/support/test_helpers.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using testing_support::readText;
using testing_support::writeText;

namespace {

// The writers that replace a user's file, each as the program calls it.
enum class Writer { Image, Profile, Whole, Private };

const char* nameOf(Writer writer)
{
    switch (writer) {
    case Writer::Image:
        return "Image";
    case Writer::Profile:
        return "Profile";
    case Writer::Whole:
        return "Whole";
    case Writer::Private:
        return "Private";
    }
    return "?";
}

// What the writer puts into the file.
const std::string kNewText = "[S]\r\nk=new\r\n";

bool write(Writer writer, const std::string& path)
{
    switch (writer) {
    case Writer::Image:
        return writeImageFile(path.c_str(), reinterpret_cast<const unsigned char*>(kNewText.data()),
                              static_cast<std::uint32_t>(kNewText.size())) == 1;
    case Writer::Profile:
        // A missing or plain file gets the section and key; the result then
        // reads as kNewText.
        return platform::writeProfileString("S", "k", "new", path.c_str()) &&
               platform::writeProfileString(nullptr, nullptr, nullptr, path.c_str());
    case Writer::Whole:
        return platform::writeWholeFile(path.c_str(), kNewText.data(), kNewText.size()) ==
               platform::WriteResult::Written;
    case Writer::Private:
        return platform::writeWholeFile(path.c_str(), kNewText.data(), kNewText.size(), true) ==
               platform::WriteResult::Written;
    }
    return false;
}

// The names in `folder` other than `keep`: a temporary file left behind.
std::vector<std::string> strays(const std::string& folder, const std::string& keep)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != keep)
            names.push_back(entry.path().filename().string());
    return names;
}

class ReplacedFilesTest : public ::testing::TestWithParam<Writer> {
protected:
    testing_support::TempDir dir;
    std::string target = dir.file("target");
};

TEST_P(ReplacedFilesTest, WritesWholeFileOrKeepsTheOldOne)
{
    // A new file, then the same file replaced.
    ASSERT_TRUE(write(GetParam(), target));
    EXPECT_EQ(readText(target), kNewText);
    ASSERT_TRUE(writeText(target, "[S]\r\nk=old\r\n"));
    ASSERT_TRUE(write(GetParam(), target));
    EXPECT_EQ(readText(target), kNewText);
    EXPECT_TRUE(strays(dir.path(), "target").empty());

    // A folder of that name is no file to replace.
    const std::string folder = dir.file("folder");
    fs::create_directory(folder);
    ASSERT_TRUE(writeText(folder + "/inside", "x"));
    EXPECT_FALSE(write(GetParam(), folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readText(folder + "/inside"), "x");
}

// What identifies a file, however it is named or reached.
struct Identity {
    std::uint64_t volume = 0, index = 0;
    bool known = false;
    bool operator==(const Identity& other) const
    {
        return known && other.known && volume == other.volume && index == other.index;
    }
};

#ifdef _WIN32
Identity identityOf(platform::FileHandle file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(reinterpret_cast<HANDLE>(file), &info) == 0)
        return {};
    return {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, true};
}
Identity identityOf(const char* path)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    const Identity identity = identityOf(reinterpret_cast<platform::FileHandle>(file));
    CloseHandle(file);
    return identity;
}
#else
Identity identityOf(platform::FileHandle file)
{
    struct stat st {};
    if (::fstat(static_cast<int>(file), &st) != 0)
        return {};
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}
Identity identityOf(const char* path)
{
    struct stat st {};
    if (::stat(path, &st) != 0)
        return {};
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}
#endif

// A replacement that a crash can interrupt leaves the old file or the new
// one, never a new name for bytes still in the cache: the temporary file is
// flushed before it is renamed over the target, and the target stays held
// against other writers until then.
TEST_P(ReplacedFilesTest, FlushesTheNewBytesBeforeTheRenameAndHoldsTheTarget)
{
    struct Step {
        platform::FileStep step;
        Identity file;
        std::string to;
        bool targetFree = false; // whether another writer could open the target then
    };
    std::vector<Step> steps;
    platform::observeFileSteps([&](platform::FileStep step, platform::FileHandle file, const char* from,
                                   const char* to) {
        if (step == platform::FileStep::Flushed) {
            steps.push_back({step, identityOf(file), "", false});
            return;
        }
        bool free = false;
        if (platform::fileExists(to)) {
            const platform::FileHandle other = platform::openExclusive(to, false);
            platform::closeFile(other);
            free = other != platform::kClosedFile;
        }
        steps.push_back({step, identityOf(from), to, free});
    });
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing a file" : "a new file");
        steps.clear();
        std::filesystem::remove(target);
        if (replacing) {
            ASSERT_TRUE(writeText(target, "[S]\r\nk=old\r\n"));
        }
        ASSERT_TRUE(write(GetParam(), target));
        EXPECT_EQ(readText(target), kNewText);
        // The last step renames; the one before it flushed that very file.
        ASSERT_GE(steps.size(), 2u);
        const Step& rename = steps.back();
        const Step& flush = steps[steps.size() - 2];
        EXPECT_EQ(rename.step, platform::FileStep::Renaming);
        EXPECT_TRUE(platform::sameFile(rename.to.c_str(), target.c_str())) << rename.to;
        EXPECT_EQ(flush.step, platform::FileStep::Flushed);
        EXPECT_TRUE(flush.file == rename.file) << "the file flushed is not the one renamed";
        if (replacing) {
            EXPECT_FALSE(rename.targetFree) << "the target was let go before the rename";
        }
    }
    platform::observeFileSteps(nullptr);
}

#ifndef _WIN32

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Runs the writer in a child that a FIFO cannot keep waiting: 1 written,
// 0 refused, -1 stuck or crashed.
int writeInChild(Writer writer, const std::string& path)
{
    return testing_support::runInChild([&] {
        ::alarm(10);
        return write(writer, path) ? 1 : 0;
    });
}

TEST_P(ReplacedFilesTest, PlantedOddFilesAreRefusedOrReplacedSafely)
{
    const mode_t mask = ::umask(022);

    // setuid, setgid and sticky bits never reach the replacement; the
    // permission bits do. The store is for its owner alone.
    ASSERT_TRUE(writeText(target, "[S]\r\nk=old\r\n"));
    ASSERT_EQ(::chmod(target.c_str(), 07755), 0);
    EXPECT_EQ(writeInChild(GetParam(), target), 1);
    EXPECT_EQ(readText(target), kNewText);
    EXPECT_EQ(modeOf(target) & 07777, GetParam() == Writer::Private ? 0600u : 0755u);
    ASSERT_TRUE(writeText(target, "[S]\r\nk=old\r\n"));
    ASSERT_EQ(::chmod(target.c_str(), 02640), 0);
    EXPECT_EQ(writeInChild(GetParam(), target), 1);
    EXPECT_EQ(modeOf(target) & 07777, GetParam() == Writer::Private ? 0600u : 0640u);

    // A new file: 0666 less the umask.
    const std::string fresh = dir.file("fresh");
    EXPECT_EQ(writeInChild(GetParam(), fresh), 1);
    EXPECT_EQ(modeOf(fresh) & 07777, GetParam() == Writer::Private ? 0600u : 0644u);

    // A FIFO in the target's place is refused at once, and stays a FIFO.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    EXPECT_EQ(writeInChild(GetParam(), fifo), 0);
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));

    // A link to a FIFO is no file to replace either.
    const std::string toFifo = dir.file("to-fifo");
    fs::create_symlink(fifo, toFifo);
    EXPECT_EQ(writeInChild(GetParam(), toFifo), 0);
    EXPECT_TRUE(S_ISLNK(modeOf(toFifo)));

    // A write-protected file, and one that another program holds open, keep
    // their bytes.
    const std::string locked = dir.file("locked");
    ASSERT_TRUE(writeText(locked, "held"));
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_EQ(writeInChild(GetParam(), locked), 0);
    EXPECT_EQ(readText(locked), "held");
    ASSERT_EQ(::chmod(locked.c_str(), 0644), 0);
    const platform::FileHandle reader = platform::openForReading(locked.c_str());
    ASSERT_NE(reader, platform::kClosedFile);
    EXPECT_EQ(writeInChild(GetParam(), locked), 0);
    platform::closeFile(reader);
    EXPECT_EQ(readText(locked), "held");

    ::umask(mask);
    for (const std::string& name : strays(dir.path(), ""))
        EXPECT_EQ(name.find(".wendrix-"), std::string::npos) << name << " left behind";
}

TEST_P(ReplacedFilesTest, UnwritableFolderFailsAndKeepsTheTarget)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to drop privileges";
    ASSERT_TRUE(writeText(target, "[S]\r\nk=old\r\n"));
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const Writer writer = GetParam();
    const std::string path = target;
    EXPECT_EQ(testing_support::runUnprivileged([writer, path] { return write(writer, path) ? 1 : 0; }), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    EXPECT_EQ(readText(target), "[S]\r\nk=old\r\n");
    EXPECT_TRUE(strays(dir.path(), "target").empty());
}

// Temporary files that a run killed outright left behind are removed by the
// next replacement in that folder; a link, a FIFO or a folder that merely has
// such a name is the owner's and stays, and so does whatever a link leads to.
TEST(StaleTemporaryFilesTest, OnlyPlainFilesOfDeadWritersAreRemoved)
{
    testing_support::TempDir dir;
    testing_support::TempDir elsewhere;
    // A process id that no process has now: a child that has ended.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const auto name = [&](int number) {
        return dir.file(".wendrix-" + std::to_string(dead) + "-" + std::to_string(number) + ".tmp");
    };
    const std::string notes = elsewhere.file("notes.txt");
    const std::string nearby = dir.file("nearby.txt");
    ASSERT_TRUE(writeText(notes, "the owner's notes"));
    ASSERT_TRUE(writeText(nearby, "more notes"));
    ASSERT_TRUE(writeText(name(1), "left by a killed run"));
    fs::create_symlink(notes, name(2));
    fs::create_symlink(nearby, name(3));
    fs::create_symlink(elsewhere.file("nowhere"), name(4));
    ASSERT_EQ(::mkfifo(name(5).c_str(), 0666), 0);
    fs::create_directory(name(6));
    ASSERT_TRUE(writeText(name(6) + "/inside", "x"));
    // A file of the running process is in use, whatever its name says.
    const std::string mine = dir.file(".wendrix-" + std::to_string(::getpid()) + "-999.tmp");
    ASSERT_TRUE(writeText(mine, "in use"));

    EXPECT_EQ(writeInChild(Writer::Whole, dir.file("target")), 1);

    EXPECT_FALSE(fs::exists(fs::symlink_status(name(1)))) << "the stale file stayed";
    for (int number : {2, 3, 4})
        EXPECT_TRUE(fs::is_symlink(name(number))) << name(number);
    EXPECT_TRUE(S_ISFIFO(modeOf(name(5))));
    EXPECT_EQ(readText(name(6) + "/inside"), "x");
    EXPECT_EQ(readText(notes), "the owner's notes");
    EXPECT_EQ(readText(nearby), "more notes");
    EXPECT_EQ(readText(mine), "in use");
}

#endif

// On Windows the profile functions are the system's own, not this program's.
INSTANTIATE_TEST_SUITE_P(EveryWriter, ReplacedFilesTest,
#ifdef _WIN32
                         ::testing::Values(Writer::Image, Writer::Whole, Writer::Private),
#else
                         ::testing::Values(Writer::Image, Writer::Profile, Writer::Whole, Writer::Private),
#endif
                         [](const ::testing::TestParamInfo<Writer>& info) { return nameOf(info.param); });

TEST(WriteWholeFileTest, SaysWhetherTheTargetWasRefused)
{
    testing_support::TempDir dir;
    const std::string folder = dir.file("folder");
    fs::create_directory(folder);
    EXPECT_EQ(platform::writeWholeFile(folder.c_str(), "x", 1), platform::WriteResult::Refused);
    EXPECT_EQ(platform::writeWholeFile(dir.file("no/such/folder").c_str(), "x", 1),
              platform::WriteResult::Failed);
    EXPECT_EQ(platform::writeWholeFile(dir.file("empty").c_str(), nullptr, 0), platform::WriteResult::Written);
    EXPECT_EQ(readText(dir.file("empty")), "");
}

} // namespace
