// Started by the process tests and as the stand-in uploader: waits argv[2]
// ms (without arguments: as many as "probe-wait.txt" gives, if it exists),
// then writes its startup information to argv[1] or "probe-started.txt".
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const char* report = argc >= 2 ? argv[1] : "probe-started.txt";
    if (argc >= 3) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    } else if (std::FILE* wait = std::fopen("probe-wait.txt", "rb")) {
        unsigned long ms = 0;
        if (std::fscanf(wait, "%lu", &ms) == 1)
            Sleep(static_cast<DWORD>(ms));
        std::fclose(wait);
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
