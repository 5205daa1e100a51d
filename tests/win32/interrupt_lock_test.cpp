// The run lock, and temporary files that an interrupted run can remove.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "platform/platform.h"
#include "tests/win32/win_test_folder.h"

using namespace platform;

TEST(Win32Lock, HeldUntilClosedAndWaitedFor)
{
    WinTestFolder folder;
    const std::string path = folder.file("wendrix.lock");
    FileHandle first = kClosedFile;
    ASSERT_EQ(lockFile(path.c_str(), false, &first), LockResult::Held);
    FileHandle second = kClosedFile;
    EXPECT_EQ(lockFile(path.c_str(), false, &second), LockResult::Busy);
    EXPECT_EQ(second, kClosedFile);

    // A waiting lock is granted once the holder lets go.
    std::thread holder([first] {
        Sleep(300);
        closeFile(first);
    });
    const DWORD before = GetTickCount();
    EXPECT_EQ(lockFile(path.c_str(), true, &second), LockResult::Held);
    EXPECT_GE(GetTickCount() - before, 250u);
    holder.join();
    closeFile(second);

    // A read-only lock file still serves; a folder that is not there does not.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(lockFile(path.c_str(), false, &first), LockResult::Held);
    closeFile(first);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(lockFile(folder.file("missing\\wendrix.lock").c_str(), false, &first),
              LockResult::Unavailable);
}

// The console handler deletes the file that the interrupted run still has
// open (Wine delivers no console events to test the handler itself with).
TEST(Win32Interrupt, ATemporaryFileCanBeRemovedWhileItIsWritten)
{
    WinTestFolder folder;
    char tempPath[MAX_PATH] = {};
    const std::string target = folder.file("image.rgn");
    const FileHandle file = createTempBeside(target.c_str(), tempPath, sizeof tempPath);
    ASSERT_NE(file, kClosedFile);
    EXPECT_EQ(writeFile(file, "partial", 7), 7u);
    EXPECT_TRUE(DeleteFileA(tempPath));
    closeFile(file);
    EXPECT_EQ(filesIn(folder.path()), std::vector<std::string>{});
}
