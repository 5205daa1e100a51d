// The installed program ignores its command line: options that Qt would
// otherwise act on (an unknown platform plugin aborts at once) change
// nothing, and the dialog comes up as usual.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "tests/support/test_helpers.h"

extern char** environ;

TEST(Program, CommandLineIsIgnored)
{
    testing_support::TempDir folder;
    const std::string exe = folder.file("wendrix");
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(testing_support::readBytes(WENDRIX_PROGRAM, bytes));
    ASSERT_TRUE(testing_support::writeBytes(exe, bytes));
    ASSERT_EQ(::chmod(exe.c_str(), 0755), 0);

    const char* argv[] = {exe.c_str(), "-platform", "no-such-plugin", "--help", "/etc/passwd", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    // Had Qt seen "-platform no-such-plugin" the process would have ended by
    // now; the dialog instead waits for the user.
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 30 && ended == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ended = ::waitpid(pid, &status, WNOHANG);
    }
    EXPECT_EQ(ended, 0) << "the program ended, status " << status;
    if (ended == 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, &status, 0);
    }
}
