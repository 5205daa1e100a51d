#include "engine/working_file_guard.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/firmware_image.h"
#include "engine/language_table.h"
#include "platform/platform.h"

namespace {

// How much of the working file is held at a time.
constexpr std::uint32_t kBlockSize = 256 * 1024;

// A range of bytes [begin, end) that a patch may rewrite.
struct Span {
    std::uint64_t begin, end;
};

// The texts that a patch rewrites, in file order. The NUL that closes each
// text is not part of it: the fitting pass writes the same NUL back.
std::vector<Span> patchedSpans(const FirmwareImage& pristine, const LanguageTable& table, std::int32_t located)
{
    std::vector<Span> spans;
    for (std::int32_t e = 0; e < std::min(located, LanguageTable::kCount); ++e) {
        const LanguageEntry& entry = table.entries[e];
        if (entry.start < 0 || entry.length <= 0)
            continue;
        const std::uint64_t begin = static_cast<std::uint64_t>(entry.start);
        spans.push_back({begin, std::min<std::uint64_t>(begin + static_cast<std::uint64_t>(entry.length),
                                                         pristine.size)});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    return spans;
}

// Whether `block`, the bytes of the working file from `offset` on, equals
// the pristine copy there outside the spans. `next` is the first span that
// may still reach this block; it moves on as spans are left behind.
bool sameOutsideSpans(const unsigned char* block, std::uint64_t offset, std::uint64_t size,
                      const FirmwareImage& pristine, const std::vector<Span>& spans, std::size_t& next)
{
    std::uint64_t at = offset;
    const std::uint64_t end = offset + size;
    while (at < end) {
        while (next < spans.size() && spans[next].end <= at)
            ++next;
        // Up to the next span (or the block's end), the bytes must be equal.
        const std::uint64_t until = next < spans.size() ? std::min(end, std::max(at, spans[next].begin)) : end;
        if (until > at && std::memcmp(block + (at - offset), pristine.bytes + at, until - at) != 0)
            return false;
        at = until;
        // Inside the span anything goes.
        if (at < end && next < spans.size() && spans[next].begin <= at)
            at = std::min(end, spans[next].end);
    }
    return true;
}

} // namespace

bool holdsOtherFirmware(const char* rgnPath, const FirmwareImage& pristine, const LanguageTable& table,
                        std::int32_t located)
{
    const platform::FileHandle file = platform::openForReading(rgnPath);
    if (file == platform::kClosedFile)
        return false;
    const std::uint64_t length = platform::fileLength(file);
    if (length == 0 || length == UINT64_MAX) {
        platform::closeFile(file);
        return false;
    }
    if (pristine.bytes == nullptr || length != pristine.size) {
        platform::closeFile(file);
        return true;
    }
    const std::vector<Span> spans = patchedSpans(pristine, table, located);
    std::vector<unsigned char> block(kBlockSize);
    std::size_t next = 0;
    std::uint64_t offset = 0;
    bool other = false;
    while (!other && offset < length) {
        const std::uint32_t want = static_cast<std::uint32_t>(std::min<std::uint64_t>(kBlockSize, length - offset));
        std::uint32_t got = 0;
        while (got < want) {
            const std::uint32_t more = platform::readFile(file, block.data() + got, want - got);
            if (more == 0)
                break;
            got += more;
        }
        // A file cut short while it is read is not the file that was measured.
        if (got < want) {
            other = true;
            break;
        }
        other = !sameOutsideSpans(block.data(), offset, got, pristine, spans, next);
        offset += got;
    }
    // Nor is one that has grown since.
    unsigned char beyond;
    other = other || platform::readFile(file, &beyond, 1) != 0;
    platform::closeFile(file);
    return other;
}

std::string otherFirmwareLogLine(const char* rgnPath, const char* orgPath)
{
    return std::string("**** ") + rgnPath + " is neither the stock firmware nor a patch of " +
           orgPath + "!";
}

std::string otherFirmwareMessage(const char* rgnPath, const char* orgPath, const char* action)
{
    return std::string(rgnPath) + " is neither the stock firmware nor a patch of " + orgPath +
           "!\nIt may be a newer firmware: " + action + " would replace it with the old one.\n"
           "Update Wendrix.ini for it (wendrix-cli inspect " + rgnPath +
           " --ini), or move it away.";
}

bool workingFileUnreadable(const char* rgnPath)
{
    if (!platform::fileExists(rgnPath))
        return false;
    const platform::FileHandle file = platform::openForReading(rgnPath);
    if (file == platform::kClosedFile)
        return true;
    platform::closeFile(file);
    return false;
}

std::string unreadableWorkingFileMessage(const char* rgnPath)
{
    return std::string("Cannot read ") + rgnPath +
           "!\nSomething is there that cannot be read (a folder, a FIFO or a file you may not read), "
           "and it would be replaced without knowing what it holds.\n"
           "Move it away or make it readable, then try again.";
}
