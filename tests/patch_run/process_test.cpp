// Starting programs as a Windows command line names them, closing them, and
// handing documents to xdg-open.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/platform.h"
#include "tests/patch_run/run_fixture.h"

namespace fs = std::filesystem;
using testing_support::readText;
using testing_support::writeText;

namespace {

// In the patch-run folder: "work" is the current directory, "bin" all of PATH.
class ProcessTest : public PatchRunFixture {
protected:
    // A script that appends its tag and arguments to trace.txt.
    void script(const std::string& path, const std::string& tag, fs::perms mode = fs::perms::all)
    {
        ASSERT_TRUE(writeText(path, "#!/bin/sh\necho \"" + tag + " $*\" >> '" + trace() + "'\n"));
        fs::permissions(path, mode, fs::perm_options::replace);
    }
    std::string trace() const { return root.file("trace.txt"); }

    // Starts, waits and closes; returns whether it started.
    bool run(const std::string& commandLine)
    {
        std::string buffer = commandLine;
        const platform::ProcessHandle process = platform::startProcess(buffer.data(), 200, 20);
        if (!process)
            return false;
        platform::waitForProcess(process);
        platform::closeProcess(process);
        return true;
    }
};

TEST_F(ProcessTest, CurrentDirectoryComesBeforePathAndArgumentsAreSplit)
{
    script(workFile("tool"), "cwd");
    script(root.file("bin/tool"), "path");
    ASSERT_TRUE(run("tool"));
    EXPECT_EQ(readText(trace()), "cwd \n");

    fs::remove(workFile("tool"));
    ASSERT_TRUE(run("tool one  two\t\"three four\""));
    EXPECT_EQ(readText(trace()), "cwd \npath one two three four\n");
}

TEST_F(ProcessTest, ProgramsThatCannotRunAreNotStarted)
{
    // Found first but not executable: the search stops there, as on Windows.
    script(workFile("tool"), "cwd", fs::perms::owner_read | fs::perms::owner_write);
    script(root.file("bin/tool"), "path");
    ASSERT_TRUE(writeText(workFile("empty"), ""));
    fs::permissions(workFile("empty"), fs::perms::all, fs::perm_options::replace);
    fs::create_directory(workFile("folder"));
    for (const char* commandLine : {"missing", "", "   ", "tool", "empty", "folder"}) {
        SCOPED_TRACE(std::string("[") + commandLine + "]");
        EXPECT_FALSE(run(commandLine));
    }
    EXPECT_FALSE(testing_support::exists(trace()));
}

// The state letter of a process from /proc, or 0 when it is gone.
char processState(platform::ProcessHandle pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return 0;
    const std::size_t paren = text.rfind(')');
    return paren != std::string::npos && paren + 2 < text.size() ? text[paren + 2] : 0;
}

TEST_F(ProcessTest, ClosingAProgramThatStillRunsLeavesNoZombie)
{
    ASSERT_TRUE(writeText(workFile("brief"), "#!/bin/sh\n/bin/sleep 0.3\n"));
    fs::permissions(workFile("brief"), fs::perms::all, fs::perm_options::replace);
    std::string commandLine = "brief";
    const platform::ProcessHandle process = platform::startProcess(commandLine.data(), 0, 0);
    ASSERT_NE(process, 0);
    platform::closeProcess(process);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (processState(process) != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(processState(process), 0) << "the ended program was not reaped";
}

TEST_F(ProcessTest, ShellOpenHandsTheDocumentToXdgOpen)
{
    // Without xdg-open nothing happens and nothing is reported.
    fs::remove(root.file("bin/xdg-open"));
    platform::shellOpen(nullptr, "open", "report.html");

    script(root.file("bin/xdg-open"), "open");
    platform::shellOpen(nullptr, "open", "report.html");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readText(trace()) != "open report.html\n" && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(readText(trace()), "open report.html\n");
}

} // namespace

#else

TEST(ProcessTest, NeedsPosix)
{
    GTEST_SKIP() << "POSIX processes and xdg-open are not available here";
}

#endif
