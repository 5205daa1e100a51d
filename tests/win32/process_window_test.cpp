// Starting and waiting for programs, and window-menu commands sent to a
// real window.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/win32/win_test_folder.h"

using namespace platform;

namespace {
// The probe program is built into the folder of this test program.
std::string probePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "wendrix_startup_probe.exe";
}
} // namespace

TEST(Win32Process, StartedProgramGetsOnlyThePositionAndIsWaitedFor)
{
    WinTestFolder folder;
    const std::string report = folder.file("probe.txt");
    char commandLine[512];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" \"%s\" 400", probePath().c_str(),
                  report.c_str());
    const DWORD started = GetTickCount();
    ProcessHandle process = startProcess(commandLine, 200, 20);
    ASSERT_NE(process, 0);
    waitForProcess(process);
    const DWORD waited = GetTickCount() - started;
    DWORD exitCode = 99;
    EXPECT_TRUE(GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    closeProcess(process);
    EXPECT_GE(waited, 350u) << "returned before the program ended";
    const std::string seen = readWhole(report);
    EXPECT_NE(seen.find("flags=" + std::to_string(STARTF_USEPOSITION) + " x=200 y=20 "),
              std::string::npos)
        << seen;
}

TEST(Win32Process, ProgramsAreFoundInTheCurrentFolderAndMissingOnesGiveNoProcess)
{
    WinTestFolder folder;
    ASSERT_TRUE(CopyFileA(probePath().c_str(), folder.file("UPDATER.EXE").c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    char commandLine[512] = "UPDATER.EXE started.txt";
    ProcessHandle process = startProcess(commandLine, 200, 20);
    waitForProcess(process);
    closeProcess(process);
    SetCurrentDirectoryA(previous);
    ASSERT_NE(process, 0);
    EXPECT_NE(readWhole(folder.file("started.txt")).find("x=200"), std::string::npos);

    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", folder.file("NOPE.EXE").c_str());
    EXPECT_EQ(startProcess(commandLine, 200, 20), 0);
    EXPECT_EQ(startProcess(nullptr, 200, 20), 0);
    waitForProcess(0); // no process: returns at once
    closeProcess(0);
}

namespace {
std::vector<WPARAM> commandsSeen;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) != SC_CLOSE)
        commandsSeen.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

TEST(Win32Window, WindowMenuCommandIsHandledBeforeTheCallReturns)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = recordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "WendrixSysCommandProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "WendrixSysCommandProbe", "probe", WS_OVERLAPPED, 0, 0, 10,
                                  10, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    commandsSeen.clear();
    sendSysCommand(window, 1004);
    ASSERT_EQ(commandsSeen.size(), 1u);
    EXPECT_EQ(commandsSeen[0], 1004u);

    // An installed handler takes the command instead of the window.
    int handled = 0;
    setSysCommandHandler([&](WindowHandle owner, int command) {
        EXPECT_EQ(owner, window);
        handled = command;
    });
    sendSysCommand(window, 1000);
    setSysCommandHandler({});
    EXPECT_EQ(handled, 1000);
    EXPECT_EQ(commandsSeen.size(), 1u);
    DestroyWindow(window);
}
