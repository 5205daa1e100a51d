// The Win32 file layer: share modes, creation modes, sizes, moves and the
// temporary-file-then-rename protocol that keeps users' files whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tests/win32/win_test_folder.h"

using namespace platform;

namespace {
std::string readAll(FileHandle file)
{
    std::string bytes(fileSize(file), '\0');
    bytes.resize(readFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

void expectWritesRefused(const std::string& path)
{
    EXPECT_EQ(createForWriting(path.c_str()), kClosedFile);
    EXPECT_EQ(openExclusive(path.c_str(), true), kClosedFile);
    EXPECT_EQ(openExclusive(path.c_str(), false), kClosedFile);
    EXPECT_EQ(readWhole(path), "keep me");
    FileHandle reader = openForReading(path.c_str());
    EXPECT_NE(reader, kClosedFile);
    closeFile(reader);
}

void appendLine(const std::string& path, const char* text, bool seek)
{
    FileHandle log = openExclusive(path.c_str(), false);
    ASSERT_NE(log, kClosedFile);
    if (seek) {
        EXPECT_TRUE(seekToEnd(log));
    }
    EXPECT_EQ(writeFile(log, text, std::strlen(text)), std::strlen(text));
    closeFile(log);
}
} // namespace

TEST(Win32Files, ShareModesOfReadersAndWriters)
{
    WinTestFolder folder;
    const std::string path = folder.file("image.rgn");
    ASSERT_TRUE(writeWhole(path, "firmware"));

    // A reader lets other readers in but no writer.
    FileHandle reader = openForReading(path.c_str());
    ASSERT_NE(reader, kClosedFile);
    FileHandle second = openForReading(path.c_str());
    EXPECT_NE(second, kClosedFile);
    closeFile(second);
    EXPECT_EQ(createForWriting(path.c_str()), kClosedFile);
    EXPECT_EQ(openExclusive(path.c_str(), false), kClosedFile);
    EXPECT_EQ(readAll(reader), "firmware");
    closeFile(reader);

    // A writer truncates and shares with other writers only.
    FileHandle writer = createForWriting(path.c_str());
    ASSERT_NE(writer, kClosedFile);
    EXPECT_EQ(fileSize(writer), 0u);
    EXPECT_EQ(openForReading(path.c_str()), kClosedFile);
    FileHandle otherWriter = createForWriting(path.c_str());
    EXPECT_NE(otherWriter, kClosedFile);
    closeFile(otherWriter);
    const char bytes[] = {'n', 0, 'e', 'w'};
    EXPECT_EQ(writeFile(writer, bytes, sizeof bytes), sizeof bytes);
    EXPECT_TRUE(flushFile(writer));
    closeFile(writer);
    EXPECT_EQ(readWhole(path), std::string(bytes, sizeof bytes));
}

TEST(Win32Files, ExclusiveOpenKeepsOrTruncatesAndLocksEveryoneOut)
{
    WinTestFolder folder;
    const std::string path = folder.file("wendrix.LOG");
    FileHandle log = openExclusive(path.c_str(), false); // created when missing
    ASSERT_NE(log, kClosedFile);
    EXPECT_EQ(openForReading(path.c_str()), kClosedFile);
    EXPECT_EQ(createForWriting(path.c_str()), kClosedFile);
    EXPECT_EQ(openExclusive(path.c_str(), false), kClosedFile);
    closeFile(log);

    appendLine(path, "one\r\n", true);
    appendLine(path, "two\r\n", true);
    EXPECT_EQ(readWhole(path), "one\r\ntwo\r\n");
    appendLine(path, "ONE", false); // without a seek the write starts at the front
    EXPECT_EQ(readWhole(path), "ONE\r\ntwo\r\n");

    log = openExclusive(path.c_str(), true);
    ASSERT_NE(log, kClosedFile);
    EXPECT_EQ(fileSize(log), 0u);
    closeFile(log);
    EXPECT_EQ(readWhole(path), "");
}

TEST(Win32Files, MissingFilesClosedHandlesAndNulBytes)
{
    WinTestFolder folder;
    EXPECT_EQ(openForReading(folder.file("missing").c_str()), kClosedFile);
    EXPECT_EQ(createForWriting(folder.file("no-such-folder\\x").c_str()), kClosedFile);
    EXPECT_EQ(fileSize(kClosedFile), 0xFFFFFFFFu);
    char buffer[4];
    EXPECT_EQ(readFile(kClosedFile, buffer, sizeof buffer), 0u);
    EXPECT_EQ(writeFile(kClosedFile, buffer, sizeof buffer), 0u);
    EXPECT_FALSE(seekToEnd(kClosedFile));
    EXPECT_FALSE(deleteFile(folder.file("missing").c_str()));
    EXPECT_FALSE(fileExists(folder.file("missing").c_str()));
    EXPECT_TRUE(fileExists(folder.path().c_str()));

    const std::string path = folder.file("zeros.bin");
    const std::string bytes("\0\0x\0y", 5);
    ASSERT_TRUE(writeWhole(path, bytes));
    FileHandle file = openForReading(path.c_str());
    ASSERT_NE(file, kClosedFile);
    EXPECT_EQ(fileSize(file), 5u);
    EXPECT_EQ(readAll(file), bytes);
    EXPECT_EQ(readFile(file, buffer, sizeof buffer), 0u); // at the end
    closeFile(file);
}

TEST(Win32Files, ReadOnlyTargetRefusesWritesAndKeepsItsBytes)
{
    WinTestFolder folder;
    const std::string path = folder.file("locked.rgn");
    ASSERT_TRUE(writeWhole(path, "keep me"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    expectWritesRefused(path);
    const std::string fresh = folder.file("fresh.rgn");
    ASSERT_TRUE(writeWhole(fresh, "new"));
    EXPECT_FALSE(replaceFile(fresh.c_str(), path.c_str()));
    EXPECT_EQ(readWhole(path), "keep me");
}

TEST(Win32Files, ReadOnlyMountRefusesEveryWrite)
{
    // The cross build's test fixture mounts a read-only folder for this.
    const char* mounted = std::getenv("WENDRIX_READONLY_DIR");
    if (mounted == nullptr || !fileExists((std::string(mounted) + "\\locked.rgn").c_str()))
        GTEST_SKIP() << "no read-only folder was prepared";
    const std::string path = std::string(mounted) + "\\locked.rgn";
    expectWritesRefused(path);
    char temp[300];
    EXPECT_EQ(createTempBeside(path.c_str(), temp, sizeof temp), kClosedFile);
    // Known before anything is tried: neither the file nor a new one in
    // the folder can be written, though no attribute says so.
    EXPECT_FALSE(canWriteWholeFile(path.c_str()));
    EXPECT_FALSE(canWriteWholeFile((std::string(mounted) + "\\new.rgn").c_str()));
    EXPECT_EQ(writeWholeFile(path.c_str(), "new", 3), WriteResult::Refused);
    EXPECT_EQ(readWhole(path), "keep me");
}

TEST(Win32Files, MoveRefusesAnExistingTargetAndReplaceOverwritesIt)
{
    WinTestFolder folder;
    const std::string from = folder.file("new.ini");
    const std::string to = folder.file("wendrix.ini");
    ASSERT_TRUE(writeWhole(from, "[GPS]\r\nnew"));
    ASSERT_TRUE(writeWhole(to, "[GPS]\r\nold"));
    EXPECT_FALSE(moveFile(from.c_str(), to.c_str()));
    EXPECT_EQ(readWhole(to), "[GPS]\r\nold");

    // Not while someone reads the target.
    FileHandle reader = openForReading(to.c_str());
    ASSERT_NE(reader, kClosedFile);
    EXPECT_FALSE(replaceFile(from.c_str(), to.c_str()));
    closeFile(reader);
    EXPECT_EQ(readWhole(to), "[GPS]\r\nold");
    EXPECT_EQ(readWhole(from), "[GPS]\r\nnew");

    EXPECT_TRUE(replaceFile(from.c_str(), to.c_str()));
    EXPECT_EQ(readWhole(to), "[GPS]\r\nnew");
    EXPECT_FALSE(fileExists(from.c_str()));
    EXPECT_TRUE(moveFile(to.c_str(), from.c_str()));
    EXPECT_TRUE(fileExists(from.c_str()));
    EXPECT_FALSE(fileExists(to.c_str()));
    EXPECT_TRUE(deleteFile(from.c_str()));
    EXPECT_FALSE(fileExists(from.c_str()));
}

TEST(Win32Files, TemporaryFileLandsBesideTheTargetUnderAFreshName)
{
    WinTestFolder folder;
    const std::string target = folder.file("model.rgn");
    ASSERT_TRUE(writeWhole(target, "old image"));
    char first[300];
    char second[300];
    FileHandle one = createTempBeside(target.c_str(), first, sizeof first);
    FileHandle two = createTempBeside(target.c_str(), second, sizeof second);
    ASSERT_NE(one, kClosedFile);
    ASSERT_NE(two, kClosedFile);
    EXPECT_STRNE(first, second);
    EXPECT_STRNE(first, target.c_str());
    EXPECT_EQ(std::string(first).rfind(folder.path() + "\\", 0), 0u) << first;
    EXPECT_EQ(std::strchr(first + folder.path().size() + 1, '\\'), nullptr) << first;
    EXPECT_EQ(fileSize(one), 0u);

    EXPECT_EQ(writeFile(one, "new image", 9), 9u);
    EXPECT_TRUE(flushFile(one));
    closeFile(one);
    closeFile(two);
    EXPECT_TRUE(deleteFile(second));
    EXPECT_EQ(readWhole(target), "old image");
    EXPECT_TRUE(replaceFile(first, target.c_str()));
    EXPECT_EQ(readWhole(target), "new image");
    EXPECT_EQ(filesIn(folder.path()).size(), 1u);
}

TEST(Win32Files, TemporaryFileForABareNameOrAMissingFolder)
{
    WinTestFolder folder;
    char temp[300] = "untouched";
    EXPECT_EQ(createTempBeside(folder.file("no-such-folder\\x.rgn").c_str(), temp, sizeof temp),
              kClosedFile);
    EXPECT_STREQ(temp, "");
    EXPECT_TRUE(filesIn(folder.path()).empty());

    // A bare name means the current folder.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    FileHandle file = createTempBeside("bare.rgn", temp, sizeof temp);
    SetCurrentDirectoryA(previous);
    ASSERT_NE(file, kClosedFile);
    closeFile(file);
    EXPECT_EQ(filesIn(folder.path()).size(), 1u);
}

TEST(Win32Process, MemoryBlocksAndExecutablePath)
{
    auto* block = static_cast<unsigned char*>(allocBlock(1 << 20));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xA5, 1 << 20);
    EXPECT_EQ(block[(1 << 20) - 1], 0xA5);
    freeBlock(block);
    freeBlock(nullptr); // nothing to free

    char full[MAX_PATH];
    const std::size_t length = executablePath(full, sizeof full);
    ASSERT_GT(length, 4u);
    EXPECT_EQ(std::strlen(full), length);
    EXPECT_EQ(_stricmp(full + length - 4, ".exe"), 0) << full;
    EXPECT_TRUE(fileExists(full));
    char cut[8];
    EXPECT_EQ(executablePath(cut, sizeof cut), 7u);
    EXPECT_EQ(std::string(cut), std::string(full, 7));
    EXPECT_EQ(executablePath(cut, 0), 0u);
}

// What a patch run relies on to tell the pristine copy from the working file.
TEST(Win32Files, SameFileSeesThroughSpellingsLetterCaseAndLinks)
{
    WinTestFolder folder;
    const std::string image = folder.file("image.rgn");
    ASSERT_TRUE(writeWhole(image, "firmware"));
    ASSERT_TRUE(writeWhole(folder.file("other.rgn"), "firmware"));
    ASSERT_NE(CreateHardLinkA(folder.file("linked.org").c_str(), image.c_str(), nullptr), 0);
    std::string forward = image;
    for (char& c : forward)
        if (c == '\\')
            c = '/';
    char current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    ASSERT_NE(SetCurrentDirectoryA(folder.path().c_str()), 0);
    const struct {
        std::string a, b;
        bool same;
    } cases[] = {
        {image, image, true},
        {image, folder.file("IMAGE.RGN"), true},
        {image, forward, true},
        {image, "image.rgn", true},
        {image, ".\\sub\\..\\image.rgn", true},
        {image, folder.file("linked.org"), true},
        {folder.file("missing.org"), "MISSING.ORG", true}, // by the full path alone
        {image, folder.file("other.rgn"), false},
        {image, folder.file("missing.org"), false},
        {image, "", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_EQ(sameFile(c.a.c_str(), c.b.c_str()), c.same);
        EXPECT_EQ(sameFile(c.b.c_str(), c.a.c_str()), c.same);
    }
    SetCurrentDirectoryA(current);
}

// The one routine that replaces a file: a plain file gets the new bytes; a
// folder, a read-only file and a file another program holds keep theirs, and
// no temporary file stays behind.
TEST(Win32Files, WholeFileReplacementRefusesWhatItMustNotReplace)
{
    WinTestFolder folder;
    const std::string path = folder.file("model.rgn");
    EXPECT_EQ(writeWholeFile(path.c_str(), "first", 5), WriteResult::Written);
    EXPECT_EQ(writeWholeFile(path.c_str(), "second", 6), WriteResult::Written);
    EXPECT_EQ(readWhole(path), "second");

    FileHandle reader = openForReading(path.c_str());
    ASSERT_NE(reader, kClosedFile);
    EXPECT_EQ(writeWholeFile(path.c_str(), "third", 5), WriteResult::Refused);
    closeFile(reader);
    EXPECT_EQ(readWhole(path), "second");

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(writeWholeFile(path.c_str(), "third", 5), WriteResult::Refused);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(readWhole(path), "second");

    const std::string sub = folder.file("sub");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    EXPECT_EQ(writeWholeFile(sub.c_str(), "x", 1), WriteResult::Refused);
    EXPECT_EQ(writeWholeFile(folder.file("missing\\x").c_str(), "x", 1), WriteResult::Failed);

    // Only the file and the folder are left.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.file("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int names = 0;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            ++names;
            EXPECT_TRUE(name == "model.rgn" || name == "sub") << name;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(names, 2);
}

// Readers share the run lock with one another, never with a writer; a
// folder in the lock file's place is no lock, and a reader creates nothing.
TEST(Win32Files, SharedLocksAndLockPathsThatAreNoFile)
{
    WinTestFolder folder;
    const std::string path = folder.file("wendrix.lock");
    FileHandle first = kClosedFile;
    FileHandle second = kClosedFile;
    EXPECT_EQ(lockFileShared(path.c_str(), false, &first), LockResult::Unavailable);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(lockFile(path.c_str(), false, &first), LockResult::Held);
    EXPECT_EQ(lockFileShared(path.c_str(), false, &second), LockResult::Busy);
    closeFile(first);
    ASSERT_EQ(lockFileShared(path.c_str(), false, &first), LockResult::Held);
    EXPECT_EQ(lockFileShared(path.c_str(), false, &second), LockResult::Held);
    FileHandle writer = kClosedFile;
    EXPECT_EQ(lockFile(path.c_str(), false, &writer), LockResult::Busy);
    closeFile(first);
    closeFile(second);

    const std::string dir = folder.file("dir.lock");
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    EXPECT_EQ(lockFile(dir.c_str(), false, &first), LockResult::NotAFile);
    EXPECT_EQ(lockFileShared(dir.c_str(), false, &first), LockResult::NotAFile);
}

// A run killed outright leaves its temporary file; the next replacement in
// that folder removes it. A file of a process that still runs, one that
// anybody holds open, a folder and a link of such a name stay, and so does
// whatever the link leads to.
TEST(Win32Files, StaleTemporaryFilesOfEndedRunsAreRemovedByTheNextReplacement)
{
    WinTestFolder folder;
    WinTestFolder elsewhere;
    // A process that has ended: its id names no running process now.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION ended{};
    char command[] = "cmd.exe /c exit 0";
    ASSERT_NE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &ended),
              0);
    WaitForSingleObject(ended.hProcess, 30000);
    CloseHandle(ended.hThread);
    // Its handle stays open until the sweep has run: an id is not given to
    // a new process while a handle to the ended one is open.
    const auto name = [&](DWORD pid, int number) {
        return folder.file(".wendrix-w" + std::to_string(pid) + "-" + std::to_string(number) + ".tmp");
    };
    const DWORD dead = ended.dwProcessId;
    ASSERT_TRUE(writeWhole(name(dead, 1), "left by a killed run"));
    ASSERT_TRUE(writeWhole(name(dead, 2), "held open by somebody"));
    ASSERT_TRUE(writeWhole(name(GetCurrentProcessId(), 3), "this process's own"));
    ASSERT_TRUE(CreateDirectoryA(name(dead, 4).c_str(), nullptr));
    const std::string notes = elsewhere.file("notes.txt");
    ASSERT_TRUE(writeWhole(notes, "the owner's notes"));
    // Wine answers that it made the link without making it; only a link
    // that is there is looked for afterwards.
    const bool linked = CreateSymbolicLinkA(name(dead, 5).c_str(), notes.c_str(), 0) != 0 &&
                        GetFileAttributesA(name(dead, 5).c_str()) != INVALID_FILE_ATTRIBUTES;
    HANDLE held = CreateFileA(name(dead, 2).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    EXPECT_EQ(writeWholeFile(folder.file("model.rgn").c_str(), "image", 5), WriteResult::Written);
    CloseHandle(held);
    CloseHandle(ended.hProcess);

    EXPECT_EQ(GetFileAttributesA(name(dead, 1).c_str()), INVALID_FILE_ATTRIBUTES) << "the stale file stayed";
    EXPECT_EQ(readWhole(name(dead, 2)), "held open by somebody");
    EXPECT_EQ(readWhole(name(GetCurrentProcessId(), 3)), "this process's own");
    EXPECT_NE(GetFileAttributesA(name(dead, 4).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    if (linked) {
        EXPECT_NE(GetFileAttributesA(name(dead, 5).c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(readWhole(notes), "the owner's notes");
    EXPECT_EQ(readWhole(folder.file("model.rgn")), "image");
    RemoveDirectoryA(name(dead, 4).c_str());
    DeleteFileA(name(dead, 5).c_str());
}
