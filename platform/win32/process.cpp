// Processes, the shell, the executable's own path and pauses.
#include <windows.h>
#include <shellapi.h>

#include "platform/os_defaults.h"
#include "platform/platform.h"

namespace platform {
ProcessHandle startProcess(char* commandLine, int x, int y)
{
    if (commandLine == nullptr)
        return 0;
    // The interactive desktop, and a first window placed at (x, y); nothing
    // else is chosen for the new process.
    static char desktop[] = "WinSta0\\Default";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    startup.dwX = static_cast<DWORD>(x);
    startup.dwY = static_cast<DWORD>(y);
    startup.dwFlags = STARTF_USEPOSITION;
#if defined(_WIN32) && !defined(_WIN64)
    static_assert(sizeof(STARTUPINFOA) == 68);
#endif

    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    return reinterpret_cast<ProcessHandle>(process.hProcess);
}

void programPath(const char* name, char* path, std::size_t size)
{
    // The presence test reads the file of that name in the current folder.
    if (path != nullptr && size > 0)
        lstrcpynA(path, name != nullptr ? name : "", static_cast<int>(size));
}

int os::waitForProcess(ProcessHandle process)
{
    if (process == 0)
        return -1;
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    // The caller's windows stay painted through a wait of minutes, but take
    // no input: only paint messages are dispatched, the rest waits in the
    // queue. A thread without windows never wakes for them.
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_PAINT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1)
            return -1;
        MSG message;
        while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&message);
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(handle, &code))
        return -1;
    return static_cast<int>(code);
}

void closeProcess(ProcessHandle process)
{
    if (process != 0)
        CloseHandle(reinterpret_cast<HANDLE>(process));
}

void shellOpen(WindowHandle owner, const char* verb, const char* document)
{
    ShellExecuteA(static_cast<HWND>(owner), verb, document, nullptr, nullptr, SW_SHOWNORMAL);
}

std::size_t executablePath(char* buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return 0;
    const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    // Older systems leave a cut path without its terminator.
    if (length >= size) {
        buffer[size - 1] = '\0';
        return size - 1;
    }
    buffer[length] = '\0';
    return length;
}

std::size_t programFilePath(char* buffer, std::size_t size)
{
    return executablePath(buffer, size);
}

void sleepMilliseconds(unsigned milliseconds)
{
    Sleep(milliseconds);
}
} // namespace platform
