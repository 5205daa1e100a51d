#include "log/run_log.h"

#include <cstdio>
#include <cstring>

RunLog* runLog = nullptr;

namespace {
constexpr std::size_t kPathSize = sizeof(RunLog::path);
// "%s.%d.LOG" adds two characters to the log path; a longer path than this
// cannot carry its numbered names within the path limit.
constexpr std::size_t kLongestRotatedPath = kPathSize - 1 - 2;

// Puts the log path for the executable `exe` into `path`: the executable's
// path with its last four characters replaced by ".LOG", or "DEFAULT.LOG"
// when the path is shorter than four characters.
void derivePath(char (&path)[kPathSize], const char* exe)
{
    std::size_t n = exe ? std::strlen(exe) : 0;
    if (n >= kPathSize)
        n = kPathSize - 1;
    if (n < 4) {
        std::snprintf(path, kPathSize, "%s", "DEFAULT.LOG");
        return;
    }
    std::memcpy(path, exe, n - 4);
    std::memcpy(path + n - 4, ".LOG", 4);
    path[n] = '\0';
}

void writeBytes(platform::FileHandle file, const char* text, std::size_t length)
{
    if (file == platform::kClosedFile || length == 0)
        return;
    // Failures of the log are never reported; a short write is simply the end.
    std::size_t done = 0;
    while (done < length) {
        const std::uint32_t put =
            platform::writeFile(file, text + done, static_cast<std::uint32_t>(length - done));
        if (put == 0)
            return;
        done += put;
    }
}
} // namespace

RunLog::RunLog() : file(platform::kClosedFile)
{
    char exe[260] = {};
    platform::executablePath(exe, sizeof exe);
    derivePath(path, exe);
}

RunLog::RunLog(const char* executablePath) : file(platform::kClosedFile)
{
    derivePath(path, executablePath);
}

// The log is normally closed by now; a log left open is closed rather than
// leaking its handle and its lock.
RunLog::~RunLog()
{
    close();
}

int RunLog::open(int append)
{
    if (file != platform::kClosedFile)
        close();
    if (append == 0) {
        // The numbered names of a path near the limit would not fit; such a
        // log is started afresh without keeping older ones.
        char older[kPathSize + 16];
        char newer[kPathSize + 16];
        if (olderPath(1, newer, sizeof newer)) {
            for (int k = kOlderLogs; k >= 2; --k) {
                olderPath(k, older, sizeof older);
                olderPath(k - 1, newer, sizeof newer);
                platform::deleteFile(older);
                platform::moveFile(newer, older);
            }
            platform::moveFile(path, newer);
        }
    }
    file = platform::openExclusive(path, append == 0);
    if (file == platform::kClosedFile)
        return 0;
    if (append != 0)
        platform::seekToEnd(file);
    return 1;
}

bool RunLog::olderPath(int number, char* out, std::size_t size) const
{
    const std::size_t n = std::strlen(path);
    if (n < 4 || n > kLongestRotatedPath)
        return false;
    const int length = std::snprintf(out, size, "%.*s.%d.LOG", static_cast<int>(n - 4), path, number);
    return length > 0 && static_cast<std::size_t>(length) < size;
}

int RunLog::close()
{
    if (file != platform::kClosedFile)
        platform::closeFile(file);
    file = platform::kClosedFile;
    return 1;
}

void RunLog::write(const char* text, int newline)
{
    if (text)
        writeBytes(file, text, std::strlen(text));
    if (newline)
        writeBytes(file, "\r\n", 2);
}

int RunLog::writeBanner(const char* title)
{
    static const char kRule[] = "----------------------------------------------------------------------";
    static_assert(sizeof kRule - 1 == 70);
    write(kRule, 1);
    write("*****  ", 0);
    write(title, 0);
    write("  *****", 1);
    write(kRule, 1);
    write("", 1);
    return 1;
}

int RunLog::writeLine(const char* text)
{
    const bool wasClosed = file == platform::kClosedFile;
    if (wasClosed)
        open(1);
    write(text, 1);
    if (wasClosed)
        close();
    return 1;
}
