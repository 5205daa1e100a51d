#include "engine/warning_lines.h"

#include <cstring>

WarningLines warningLines;

namespace {
// Text typed into a field arrives through a 30-byte buffer: 29 characters.
constexpr std::size_t kTypedLimit = 29;
// The longest line that recomputeLineEnds accepts.
constexpr std::size_t kLineLimit = 30;
} // namespace

void WarningLines::setLine(int index, const char* text)
{
    if (index < 0 || index >= kCount)
        return;
    char* line = lines[index];
    std::size_t n = 0;
    if (text)
        while (n < kTypedLimit && text[n] != '\0')
            ++n;
    if (n > 0)
        std::memcpy(line, text, n);
    line[n] = '\0';
    recomputeLineEnds();
}

const char* WarningLines::lineText(int index) const
{
    if (index < 0 || index >= kCount)
        return "";
    return lines[index];
}

bool WarningLines::holdsNoText() const
{
    for (const auto& line : lines)
        if (line[0] != '\0')
            return false;
    return true;
}

std::int32_t WarningLines::recomputeLineEnds()
{
    std::int32_t previous = -1;
    for (int i = 0; i < kCount; ++i) {
        // A buffer filled from outside may lack its terminator: measure
        // within the buffer only.
        const void* nul = std::memchr(lines[i], '\0', kBufferSize);
        const std::size_t length =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - lines[i]) : kBufferSize;
        if (length > kLineLimit)
            return 0;
        lineEnds[i] = previous + static_cast<std::int32_t>(length) + 1;
        previous = lineEnds[i];
    }
    return lineEnds[kCount - 1];
}
