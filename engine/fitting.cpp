#include "engine/fitting.h"

#include <cstring>

#include "engine/firmware_image.h"
#include "engine/language_table.h"
#include "engine/warning_lines.h"

namespace {

constexpr int kFirstFill = 10;
constexpr int kLastFill = 24;

// The candidate text for one fill factor, built in a fixed buffer. A text
// that would not fit the buffer is marked as overflowed and never accepted.
struct Candidate {
    char text[kCandidateSize];
    std::size_t length = 0;
    bool overflowed = false;

    void append(const char* bytes, std::size_t n)
    {
        if (overflowed || n > sizeof text - 1 - length) {
            overflowed = true;
            return;
        }
        std::memcpy(text + length, bytes, n);
        length += n;
    }
    void appendSpaces(std::size_t n)
    {
        static const char kSpaces[] = "                                                  ";
        while (n > 0) {
            const std::size_t chunk = n < sizeof kSpaces - 1 ? n : sizeof kSpaces - 1;
            append(kSpaces, chunk);
            n -= chunk;
        }
    }
};

// The padding of each of the first `n` lines for fill factor `fill` and a
// text of `target` characters: each line wants twice what it lacks of the
// fill factor, cut to the slack still left, the lines served in order.
// Returns the length of the candidate these pads make: the lines joined by
// line feeds, and their padding. Only this length decides whether a fill
// factor is accepted, so the text itself is built for that one alone.
std::int64_t padLines(const WarningLines& lines, int n, int fill, std::int32_t target, std::int64_t* pads)
{
    if (n < 1)
        return 0;
    std::int64_t used = lines.lineEnd(n - 1);
    for (int i = 0; i < n; ++i) {
        const std::size_t length = lines.lineLength(i);
        std::int64_t want = 2 * (static_cast<std::int64_t>(fill) - static_cast<std::int64_t>(length));
        if (want < 0)
            want = 0;
        std::int64_t room = target - used;
        if (room < 0)
            room = 0;
        pads[i] = want < room ? want : room;
        used += pads[i];
    }
    return used;
}

// Builds the candidate of the first `n` lines with their pads: each line
// centred by its pad (an odd space on the right), lines joined by line feeds.
void buildCandidate(Candidate& c, const WarningLines& lines, int n, const std::int64_t* pads)
{
    c.length = 0;
    c.overflowed = false;
    for (int i = 0; i < n; ++i) {
        c.appendSpaces(static_cast<std::size_t>(pads[i] / 2));
        c.append(lines.lineText(i), lines.lineLength(i));
        c.appendSpaces(static_cast<std::size_t>((pads[i] + 1) / 2));
        c.append("\n", 1);
    }
    if (c.length > 0)
        --c.length; // the final line feed
    c.text[c.length] = '\0';
}

} // namespace

void fitTexts(const WarningLines& lines, const LanguageTable& table, const FirmwareImage& image,
              std::int32_t langCount, FitResult& result)
{
    fitTexts(lines, table, image.bytes ? image.size : 0, langCount, result);
}

void fitTexts(const WarningLines& lines, const LanguageTable& table, std::uint32_t imageSize,
              std::int32_t langCount, FitResult& result)
{
    // Nothing past the table is ever read.
    result.count = langCount > LanguageTable::kCount ? LanguageTable::kCount : langCount;
    if (result.count < 0)
        result.count = 0;
    result.failures = 0;
    Candidate candidate;
    std::int32_t lastLength = 0; // length of the most recent candidate of this pass

    for (std::int32_t e = 0; e < result.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        FitOutcome& out = result.entries[e];
        out = FitOutcome();
        const std::int32_t target = entry.length;
        // Only a text that lies wholly inside this image, with its NUL, is touched.
        out.located = entry.start >= 0 && target > 0 &&
                      static_cast<std::uint64_t>(entry.start) + static_cast<std::uint64_t>(target) <= imageSize;
        if (out.located) {
            int n = WarningLines::kCount;
            while (n > 0 && lines.lineEnd(n - 1) > target)
                --n;
            out.linesUsed = n;
            std::int64_t pads[WarningLines::kCount];
            for (int fill = kFirstFill; fill <= kLastFill; ++fill) {
                const std::int64_t length = padLines(lines, n, fill, target, pads);
                lastLength = static_cast<std::int32_t>(length);
                if (length != target)
                    continue;
                buildCandidate(candidate, lines, n, pads);
                if (!candidate.overflowed && candidate.length == static_cast<std::size_t>(target)) {
                    std::memcpy(out.candidate, candidate.text, candidate.length + 1);
                    out.replaced = true;
                    out.fillFactor = fill;
                    break;
                }
            }
        }
        out.candidateLength = lastLength;
        if (!out.replaced)
            ++result.failures;
    }
}

void replaceTexts(const LanguageTable& table, const FitResult& result, FirmwareImage& image)
{
    for (std::int32_t e = 0; e < result.count; ++e) {
        const FitOutcome& out = result.entries[e];
        if (out.replaced)
            std::memcpy(image.bytes + table.entries[e].start, out.candidate,
                        static_cast<std::size_t>(table.entries[e].length) + 1);
    }
}
