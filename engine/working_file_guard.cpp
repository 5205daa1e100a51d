#include "engine/working_file_guard.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/firmware_image.h"
#include "engine/language_table.h"

bool isStockOrPatchOf(const FirmwareImage& working, std::uint32_t workingCrc,
                      std::uint32_t expectedCrc, const FirmwareImage& pristine,
                      const LanguageTable& table, std::int32_t located)
{
    if (workingCrc != 0 && workingCrc == expectedCrc)
        return true;
    if (working.size != pristine.size || working.bytes == nullptr || pristine.bytes == nullptr)
        return false;
    // The texts that a patch rewrites, each with its closing NUL, in order.
    struct Span {
        std::uint64_t begin, end;
    };
    std::vector<Span> spans;
    for (std::int32_t e = 0; e < std::min(located, LanguageTable::kCount); ++e) {
        const LanguageEntry& entry = table.entries[e];
        if (entry.start < 0 || entry.length < 0)
            continue;
        const std::uint64_t begin = static_cast<std::uint64_t>(entry.start);
        spans.push_back({begin, std::min<std::uint64_t>(begin + static_cast<std::uint64_t>(entry.length) + 1,
                                                         pristine.size)});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    const std::size_t count = spans.size();
    std::uint64_t at = 0;
    for (std::size_t i = 0; i <= count; ++i) {
        const std::uint64_t until = i < count ? std::max(at, spans[i].begin) : pristine.size;
        if (until > at && std::memcmp(working.bytes + at, pristine.bytes + at, until - at) != 0)
            return false;
        if (i < count)
            at = std::max(at, spans[i].end);
    }
    return true;
}

bool holdsOtherFirmware(const char* rgnPath, std::uint32_t expectedCrc,
                        const FirmwareImage& pristine, const LanguageTable& table,
                        std::int32_t located)
{
    FirmwareImage working;
    const std::uint32_t crc = readImageFile(rgnPath, working);
    const bool other = crc != 0 && !isStockOrPatchOf(working, crc, expectedCrc, pristine, table, located);
    releaseImage(working);
    return other;
}

std::string otherFirmwareLogLine(const char* rgnPath, const char* orgPath)
{
    return std::string("**** ") + rgnPath + " is neither the stock firmware nor a patch of " +
           orgPath + "!";
}

std::string otherFirmwareMessage(const char* rgnPath, const char* orgPath)
{
    return std::string(rgnPath) + " is neither the stock firmware nor a patch of " + orgPath +
           "!\nIt may be a newer firmware: patching would replace it with the old one.\n"
           "Update Wendrix.ini for it (wendrix-cli inspect " + rgnPath +
           " --ini), or move it away.";
}
