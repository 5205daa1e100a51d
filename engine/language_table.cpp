#include "engine/language_table.h"

#include <cstdio>
#include <cstring>

#include "engine/firmware_image.h"
#include "log/run_log.h"

namespace {
constexpr const char* kUnknown = "Unknown";
}

// The texts in the order they follow each other in a firmware image. Where
// two languages can stand at one place, keywordB names the second one.
LanguageTable languageTable = {{
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

// The first position from `from` on, below `size`, that holds `c`; `size`
// when there is none.
inline std::uint32_t nextByte(const unsigned char* bytes, std::uint32_t from, std::uint32_t size,
                              unsigned char c)
{
    if (from >= size)
        return size;
    const void* hit = std::memchr(bytes + from, c, size - from);
    return hit ? static_cast<std::uint32_t>(static_cast<const unsigned char*>(hit) - bytes) : size;
}

// The first position from `p` on where keywordA or keywordB of `entry`
// matches, testing B first; `size` when none does. A keyword can only match
// where its first byte stands, so only those positions are compared: the
// outcome is that of testing every position in order.
std::uint32_t findEntry(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                        const LanguageEntry& entry, bool& isB)
{
    const auto firstA = static_cast<unsigned char>(entry.keywordA[0]);
    const auto firstB = static_cast<unsigned char>(entry.keywordB[0]);
    const bool sameFirst = firstA == firstB;
    std::uint32_t nextA = nextByte(bytes, p, size, firstA);
    std::uint32_t nextB = sameFirst ? nextA : nextByte(bytes, p, size, firstB);
    for (;;) {
        p = nextA < nextB ? nextA : nextB;
        if (p >= size)
            return size;
        isB = matchesAt(bytes + p, entry.keywordB);
        if (isB || matchesAt(bytes + p, entry.keywordA))
            return p;
        ++p;
        if (nextA < p)
            nextA = nextByte(bytes, p, size, firstA);
        if (sameFirst)
            nextB = nextA;
        else if (nextB < p)
            nextB = nextByte(bytes, p, size, firstB);
    }
}

} // namespace

std::int32_t locateTexts(const FirmwareImage& image, std::int32_t langCount)
{
    for (LanguageEntry& e : languageTable.entries) {
        e.name = kUnknown;
        e.start = 0;
        e.length = 0;
    }
    logLine("--- Languages ---");

    // Nothing past the table is ever searched for.
    const std::int32_t wanted = langCount > LanguageTable::kCount ? LanguageTable::kCount : langCount;
    const unsigned char* bytes = image.bytes;
    const std::uint32_t size = bytes ? image.size : 0;

    std::int32_t count = 0;
    std::uint32_t p = 0;
    while (count < wanted) {
        LanguageEntry& entry = languageTable.entries[count];
        ++p;
        bool isB = false;
        p = findEntry(bytes, p, size, entry, isB);
        const bool found = p < size;
        if (found) {
            entry.name = isB ? entry.nameB : entry.nameA;
            entry.start = static_cast<std::int32_t>(p);
            entry.length =
                static_cast<std::int32_t>(std::strlen(reinterpret_cast<const char*>(bytes + p)));
        } else {
            p = size;
            entry.start = static_cast<std::int32_t>(size);
            entry.length = 0;
        }

        char line[128];
        std::snprintf(line, sizeof line, "Language %2d: %-10s   Start %6d,   Len %3d", count + 1,
                      entry.name, entry.start, entry.length);
        logLine(line);
        if (!found)
            break;
        ++count;
    }
    logLine("");
    return count;
}
