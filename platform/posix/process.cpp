// Starting, waiting for and reaping other programs, and handing documents to
// the desktop. A command line is resolved as Windows resolves one: the first
// blank-separated word names the program, found in the current directory
// first and then along PATH; Windows programs run through wine.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/platform.h"

extern char** environ;

namespace platform {
namespace {

// Splits a command line into words at blanks and tabs; double quotes group
// blanks into a word and are dropped, as in a Windows command line.
std::vector<std::string> splitCommandLine(const char* commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* p = commandLine; *p; ++p) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool isRegularFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isExecutableFile(const std::string& path)
{
    return isRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

// The first existing file named `name`: the name itself when it holds a
// slash, else the current directory, then each PATH entry. `wantExecutable`
// skips entries that cannot be run (used for helpers such as wine).
std::string findProgram(const std::string& name, bool wantExecutable)
{
    const auto usable = [&](const std::string& path) {
        return wantExecutable ? isExecutableFile(path) : isRegularFile(path);
    };
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return usable(name) ? name : std::string();
    if (!wantExecutable && usable("./" + name))
        return "./" + name;

    const char* path = std::getenv("PATH");
    if (!path)
        return {};
    const std::string dirs = path;
    std::size_t begin = 0;
    while (begin <= dirs.size()) {
        std::size_t end = dirs.find(':', begin);
        if (end == std::string::npos)
            end = dirs.size();
        // An empty PATH entry stands for the current directory.
        const std::string dir = end > begin ? dirs.substr(begin, end - begin) : ".";
        const std::string candidate = dir + "/" + name;
        if (usable(candidate))
            return candidate;
        begin = end + 1;
    }
    return {};
}

// Whether the file starts with the "MZ" signature of a Windows program.
bool isWindowsProgram(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    char head[2] = {};
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    return got == 2 && head[0] == 'M' && head[1] == 'Z';
}

pid_t spawn(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return 0;
    return pid;
}

// Collects the exit status of a child that nobody waits for, so that it does
// not stay behind as a zombie.
void reapLater(pid_t pid)
{
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Children already collected by waitForProcess, so that closeProcess does not
// wait for a process id that may since belong to someone else.
std::vector<pid_t>& reapedChildren()
{
    static std::vector<pid_t> reaped;
    return reaped;
}

} // namespace

ProcessHandle startProcess(char* commandLine, int, int)
{
    // The first window's position means nothing to a foreign program under X11.
    if (!commandLine)
        return 0;
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty())
        return 0;

    const std::string program = findProgram(words[0], false);
    if (program.empty())
        return 0;

    if (isWindowsProgram(program)) {
        const std::string wine = findProgram("wine", true);
        if (wine.empty())
            return 0;
        words[0] = program;
        words.insert(words.begin(), wine);
        return spawn(wine, words);
    }
    if (!isExecutableFile(program))
        return 0;
    return spawn(program, words);
}

void programPath(const char* name, char* path, std::size_t size)
{
    if (!path || size == 0)
        return;
    const std::string given = name ? name : "";
    const std::string found = findProgram(given, false);
    const std::string& chosen = found.empty() ? given : found;
    std::snprintf(path, size, "%s", chosen.c_str());
}

int waitForProcess(ProcessHandle process)
{
    if (process <= 0)
        return -1;
    const pid_t pid = static_cast<pid_t>(process);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    reapedChildren().push_back(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void closeProcess(ProcessHandle process)
{
    if (process <= 0)
        return;
    const pid_t pid = static_cast<pid_t>(process);
    auto& reaped = reapedChildren();
    for (auto it = reaped.begin(); it != reaped.end(); ++it) {
        if (*it == pid) {
            reaped.erase(it);
            return;
        }
    }
    // Still running or not yet collected: collect it whenever it ends.
    if (::waitpid(pid, nullptr, WNOHANG) == 0)
        reapLater(pid);
}

void shellOpen(WindowHandle, const char*, const char* document)
{
    if (!document)
        return;
    // xdg-open knows only "open"; a missing xdg-open is not reported.
    std::vector<std::string> words = {"xdg-open", document};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0)
        return;
    reapLater(pid);
}

} // namespace platform
