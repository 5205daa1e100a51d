#include "engine/language_table.h"

#include <cstdio>
#include <cstring>

#include "engine/firmware_image.h"
#include "log/run_log.h"

namespace {
constexpr const char* kUnknown = "Unknown";

// The texts in the order they follow each other in a firmware image. Where
// two languages can stand at one place, keywordB names the second one.
constexpr LanguageTable kLanguageTexts = {{
    {kUnknown, "English", "English", "WARNING\n", "WARNING\n", 0, 0},
    {kUnknown, "Deutsch", "Francais", "WARNUNG\n", "ATTENTION\n", 0, 0},
    {kUnknown, "Francais", "Espa\xF1ol", "ATTENTION!\n", "AVISO\n", 0, 0},
    {kUnknown, "Italian", "Deutsch", "ATTENZIONE\n", "WARNUNG\n", 0, 0},
    {kUnknown, "Espa\xF1ol", "Italian", "AVISO\nLos datos se", "ATTENZIONE\n", 0, 0},
    {kUnknown, "Svenska", "Svenska", "VARNING!\n", "VARNING!", 0, 0},
    {kUnknown, "Dansk", "Dansk", "ADVARSEL\nAlle data er", "ADVARSEL\nAlle data er", 0, 0},
    {kUnknown, "Portugu\xEAs", "Norsk", "AVISO\nTodos os dados", "ADVARSEL\nAlle data som", 0, 0},
    {kUnknown, "Nederlands", "Portugu\xEAs", "WAARSCHUWING.\n", "AVISO\n", 0, 0},
    {kUnknown, "Norsk", "Nederlands", "ADVARSEL\nAlle data er", "WAARSCHUWING\n", 0, 0},
    {kUnknown, "Suomi", "Suomi", "VAROITUS\n", "Varoitus\n", 0, 0},
    {kUnknown, "Polski", "Polski", "UWAGA\n", "UWAGA\n", 0, 0},
    {kUnknown, "Cestina", "Cesky", "VAROVANI\n", "VAROVANI\n", 0, 0},
    {kUnknown, "Magyar", "Magyar", "FIGYELEM\n", "FIGYELEM\n", 0, 0},
}};

} // namespace

const LanguageTable& languageTexts()
{
    return kLanguageTexts;
}

LanguageTable languageTable = kLanguageTexts;

std::int32_t lang = 0;

namespace {

void logLine(const char* text)
{
    if (runLog)
        runLog->writeLine(text);
}

// Whether `keyword` stands at `at`. The image ends with a NUL that no
// keyword contains, so the comparison stops there at the latest.
inline bool matchesAt(const unsigned char* at, const char* keyword)
{
    for (; *keyword != '\0'; ++at, ++keyword)
        if (*at != static_cast<unsigned char>(*keyword))
            return false;
    return true;
}

// Positions are passed over a block at a time while no keyword can begin
// in the block. A keyword can only match where its first two bytes stand
// (every keyword is longer than that), so a block without either keyword's
// opening pair holds no match, and skipping it gives the same outcome as
// testing each of its positions. The test is written as a plain loop of
// fixed length that compilers turn into vector instructions.
constexpr std::uint32_t kBlock = 128;

struct OpeningPairs {
    unsigned char a0, a1, b0, b1;
};

// Whether an opening pair of keywordA (or, with `kBoth`, of keywordB)
// stands at any of the block's positions.
template <bool kBoth>
inline bool blockMayMatch(const unsigned char* q, OpeningPairs k)
{
    unsigned char acc = 0;
    for (std::uint32_t i = 0; i < kBlock; ++i) {
        const unsigned char first = q[i];
        const unsigned char second = q[i + 1];
        unsigned char hit = (first == k.a0) & (second == k.a1);
        if constexpr (kBoth)
            hit |= (first == k.b0) & (second == k.b1);
        acc |= hit;
    }
    return acc != 0;
}

// The first position from `p` on, below `size`, where keywordA or keywordB
// of `entry` matches, testing keywordB first and reporting which one
// matched; `size` when neither matches anywhere.
template <bool kBoth>
std::uint32_t findEntryIn(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                          const LanguageEntry& entry, const OpeningPairs pairs, bool& isB)
{
    while (p < size) {
        // A whole block and the byte after it (at most the image's NUL) are readable.
        std::uint32_t end = size;
        if (size - p >= kBlock) {
            if (!blockMayMatch<kBoth>(bytes + p, pairs)) {
                p += kBlock;
                continue;
            }
            end = p + kBlock;
        }
        for (; p < end; ++p) {
            isB = matchesAt(bytes + p, entry.keywordB);
            if (isB || matchesAt(bytes + p, entry.keywordA))
                return p;
        }
    }
    return size;
}

std::uint32_t findEntry(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                        const LanguageEntry& entry, bool& isB)
{
    const OpeningPairs pairs{static_cast<unsigned char>(entry.keywordA[0]),
                             static_cast<unsigned char>(entry.keywordA[1]),
                             static_cast<unsigned char>(entry.keywordB[0]),
                             static_cast<unsigned char>(entry.keywordB[1])};
    // Where both keywords open alike, one pair test covers both.
    if (pairs.a0 == pairs.b0 && pairs.a1 == pairs.b1)
        return findEntryIn<false>(bytes, p, size, entry, pairs, isB);
    return findEntryIn<true>(bytes, p, size, entry, pairs, isB);
}

} // namespace

std::int32_t findTexts(const FirmwareImage& image, std::int32_t langCount, LanguageTable& table)
{
    table = kLanguageTexts;
    // Nothing past the table is ever searched for.
    const std::int32_t wanted = langCount > LanguageTable::kCount ? LanguageTable::kCount : langCount;
    const unsigned char* bytes = image.bytes;
    const std::uint32_t size = bytes ? image.size : 0;

    std::int32_t count = 0;
    std::uint32_t p = 0;
    while (count < wanted) {
        LanguageEntry& entry = table.entries[count];
        ++p;
        bool isB = false;
        p = findEntry(bytes, p, size, entry, isB);
        if (p >= size) {
            // Not located: logged as "Unknown" at the end of the image, not counted.
            entry.start = static_cast<std::int32_t>(size);
            entry.length = 0;
            break;
        }
        entry.name = isB ? entry.nameB : entry.nameA;
        entry.start = static_cast<std::int32_t>(p);
        entry.length = static_cast<std::int32_t>(std::strlen(reinterpret_cast<const char*>(bytes + p)));
        ++count;
    }
    return count;
}

void logLanguages(const LanguageTable& table, std::int32_t langCount, std::int32_t located)
{
    logLine("--- Languages ---");
    const std::int32_t wanted = langCount > LanguageTable::kCount ? LanguageTable::kCount : langCount;
    // Every located entry, and the one the sweep ended on without finding it.
    const std::int32_t logged = located < wanted ? located + 1 : located;
    for (std::int32_t e = 0; e < logged; ++e) {
        const LanguageEntry& entry = table.entries[e];
        char line[128];
        std::snprintf(line, sizeof line, "Language %2d: %-10s   Start %6d,   Len %3d", e + 1, entry.name,
                      entry.start, entry.length);
        logLine(line);
    }
    logLine("");
}

std::int32_t locateTexts(const FirmwareImage& image, std::int32_t langCount)
{
    const std::int32_t located = findTexts(image, langCount, languageTable);
    logLanguages(languageTable, langCount, located);
    return located;
}
