// Memory blocks, the executable's path and sleeping on POSIX.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

void* allocBlock(std::size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    // A firmware image is filled at once by one read: large pages spare the
    // kernel thousands of page faults on the way.
    constexpr std::uintptr_t kLargePage = 2u * 1024 * 1024;
    if (block != nullptr && size >= 2 * kLargePage) {
        const auto begin = reinterpret_cast<std::uintptr_t>(block);
        const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
        const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
        if (last > first)
            ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
    return block;
}

void freeBlock(void* block)
{
    std::free(block);
}

namespace {
// The program's real path into `full` (with room for 8 more bytes); its length.
std::size_t readProgramPath(char (&full)[4096 + 8])
{
    const ssize_t n = ::readlink("/proc/self/exe", full, sizeof full - 8);
    if (n <= 0)
        return 0;
    full[n] = '\0';
    return static_cast<std::size_t>(n);
}

std::size_t copyCut(const char* text, std::size_t length, char* buffer, std::size_t size)
{
    if (length > size - 1)
        length = size - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return length;
}
} // namespace

std::size_t programFilePath(char* buffer, std::size_t size)
{
    if (!buffer || size == 0)
        return 0;
    char full[4096 + 8];
    return copyCut(full, readProgramPath(full), buffer, size);
}

std::size_t executablePath(char* buffer, std::size_t size)
{
    if (!buffer || size == 0)
        return 0;
    buffer[0] = '\0';

    char full[4096 + 8];
    std::size_t length = readProgramPath(full);
    if (length == 0)
        return 0;

    // A program file without an extension is named as if it had ".exe", so
    // that replacing the last four characters gives the .ini and .LOG names.
    const char* slash = std::strrchr(full, '/');
    const char* name = slash ? slash + 1 : full;
    if (std::strchr(name, '.') == nullptr) {
        std::memcpy(full + length, ".exe", 5);
        length += 4;
    }
    return copyCut(full, length, buffer, size);
}

void sleepMilliseconds(unsigned milliseconds)
{
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

} // namespace platform
