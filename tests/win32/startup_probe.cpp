// Started by the process tests: waits the given milliseconds, then writes
// what it was started with (its startup information) to the given file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (argc >= 3)
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr)
        return 3;
    std::fprintf(out, "flags=%lu x=%lu y=%lu desktop=%s", startup.dwFlags, startup.dwX,
                 startup.dwY, startup.lpDesktop != nullptr ? startup.lpDesktop : "(none)");
    std::fclose(out);
    return 0;
}
