// Started by the process tests and as the stand-in uploader: waits argv[2]
// ms (without arguments: until "probe-release.txt" exists, as long as
// "probe-wait.txt" does), then writes its startup information to argv[1] or
// "probe-started.txt". Waiting for the release rather than for a time keeps
// a slow machine from ending the uploader before the test has looked.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const char* report = argc >= 2 ? argv[1] : "probe-started.txt";
    if (argc >= 3) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    } else if (GetFileAttributesA("probe-wait.txt") != INVALID_FILE_ATTRIBUTES) {
        while (GetFileAttributesA("probe-release.txt") == INVALID_FILE_ATTRIBUTES)
            Sleep(20);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    std::FILE* out = std::fopen(report, "wb");
    if (out == nullptr)
        return 3;
    std::fprintf(out, "flags=%lu x=%lu y=%lu desktop=%s", startup.dwFlags, startup.dwX,
                 startup.dwY, startup.lpDesktop != nullptr ? startup.lpDesktop : "(none)");
    std::fclose(out);
    return 0;
}
