#include "engine/language_table.h"

#include <cstdio>
#include <cstring>

#include "engine/firmware_image.h"
#include "engine/opening_pair_search.h"
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

// The first position from `p` on, below `size`, where keywordA or keywordB
// of `entry` matches, testing keywordB first and reporting which one
// matched; `size` when neither matches anywhere. A keyword can only match
// where its first two bytes stand (every keyword is longer than that), so
// only those positions are tested, in order: the outcome of testing every
// position.
std::uint32_t findEntry(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                        const LanguageEntry& entry, bool& isB)
{
    const OpeningPairs pairs{static_cast<unsigned char>(entry.keywordA[0]),
                             static_cast<unsigned char>(entry.keywordA[1]),
                             static_cast<unsigned char>(entry.keywordB[0]),
                             static_cast<unsigned char>(entry.keywordB[1])};
    for (; (p = findOpeningPair(bytes, p, size, pairs)) < size; ++p) {
        isB = matchesAt(bytes + p, entry.keywordB);
        if (isB || matchesAt(bytes + p, entry.keywordA))
            return p;
    }
    return size;
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
