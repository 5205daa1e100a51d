// Noted temporary files live in a fixed table, so that a signal handler can
// walk it without allocating: a slot is claimed (Filling), given its path and
// only then published (Noted), and a handler looks at published slots only.
#include <atomic>
#include <cstring>

#include "platform/platform.h"
#include "platform/temp_table.h"

namespace platform {
namespace {

enum SlotState : int { Free, Filling, Noted };

constexpr int kSlots = 16;
constexpr std::size_t kLongestPath = 4096;

struct Slot {
    std::atomic<int> state{Free};
    char path[kLongestPath];
};

Slot slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the table is read in signal handlers");

} // namespace

bool noteTempFile(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    const std::size_t length = std::strlen(path);
    if (length >= kLongestPath)
        return false;
    static std::atomic<bool> installed{false};
    if (!installed.exchange(true))
        temp_table::installInterruptCleanup();
    for (Slot& slot : slots) {
        int expected = Free;
        if (!slot.state.compare_exchange_strong(expected, Filling))
            continue;
        std::memcpy(slot.path, path, length + 1);
        slot.state.store(Noted);
        return true;
    }
    return false;
}

void forgetTempFile(const char* path)
{
    if (path == nullptr)
        return;
    for (Slot& slot : slots) {
        if (slot.state.load() == Noted && std::strcmp(slot.path, path) == 0) {
            slot.state.store(Free);
            return;
        }
    }
}

void temp_table::removeAll(void (*remove)(const char* path))
{
    for (Slot& slot : slots)
        if (slot.state.load() == Noted)
            remove(slot.path);
}

} // namespace platform
