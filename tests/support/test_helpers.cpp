#include "tests/support/test_helpers.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <cerrno>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            base / ("wendrix-test-" + std::to_string(device()) + "-" +
                    std::to_string(static_cast<unsigned long long>(now) % 1000000) + "-" +
                    std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            fs::permissions(candidate, fs::perms::all, fs::perm_options::replace, ec);
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Give back write access to anything a test made read-only, then remove.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const
{
    return (fs::path(path_) / name).string();
}

RecordingMessageBoxes::RecordingMessageBoxes(int answer) : answer(answer)
{
    platform::setMessageBoxHandler([this](platform::WindowHandle owner, const char* text,
                                          const char* caption, unsigned style) {
        messages.push_back({owner, text ? text : "", caption ? caption : "", style});
        return answerFor ? answerFor(messages.back()) : this->answer;
    });
}

RecordingMessageBoxes::~RecordingMessageBoxes()
{
    platform::setMessageBoxHandler(nullptr);
}

bool readBytes(const std::string& path, std::vector<unsigned char>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    // In blocks: a byte at a time takes minutes for a program file in a
    // sanitizer build.
    out.clear();
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        out.insert(out.end(), block, block + in.gcount());
    return true;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out.flush());
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

#ifndef _WIN32
bool canDropPrivileges()
{
    return geteuid() == 0;
}

namespace {
constexpr int kChildSetupFailed = 254;

int runForked(const std::function<int()>& body, bool dropPrivileges)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (dropPrivileges &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(kChildSetupFailed);
        _exit(body() & 0xFF);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == kChildSetupFailed)
        return -1;
    return WEXITSTATUS(status);
}
} // namespace

int runInChild(const std::function<int()>& body)
{
    return runForked(body, false);
}

int runUnprivileged(const std::function<int()>& body)
{
    return runForked(body, true);
}
#else
bool canDropPrivileges()
{
    return false;
}

int runInChild(const std::function<int()>&)
{
    return -1;
}

int runUnprivileged(const std::function<int()>&)
{
    return -1;
}
#endif

} // namespace testing_support
