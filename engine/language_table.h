// The language texts a firmware image holds, in firmware order, and the pass
// that finds them.
#pragma once

#include <cstdint>

struct FirmwareImage;

struct LanguageEntry {
    const char* name;     // as found by the last location pass; "Unknown" until then
    const char* nameA;    // name when keywordA matches
    const char* nameB;    // name when keywordB matches
    const char* keywordA; // opening bytes of the text in one language
    const char* keywordB; // opening bytes in the other language that can stand here
    std::int32_t start;   // offset of the located text
    std::int32_t length;  // bytes from start up to the next NUL
};

struct LanguageTable {
    static constexpr int kCount = 14;
    LanguageEntry entries[kCount];
};

// The table's constant texts, every entry "Unknown" with start and length 0.
const LanguageTable& languageTexts();

// The process-wide table.
extern LanguageTable languageTable;

// The number of language texts of the chosen model, set by the patch run.
extern std::int32_t lang;

// The location pass without side effects: resets `table` to the table's
// constant texts (every entry "Unknown", start and length 0), then finds the
// first `langCount` of them in `image` in one forward sweep. Returns how
// many were located. When fewer than the entries searched (at most the
// table's size) were found, the entry after the last located one has the
// start `image.size` and the length 0.
std::int32_t findTexts(const FirmwareImage& image, std::int32_t langCount, LanguageTable& table);

// Writes the "--- Languages ---" block for what findTexts left in `table`
// after searching `langCount` entries and locating `located` of them.
void logLanguages(const LanguageTable& table, std::int32_t langCount, std::int32_t located);

// Locates the first `langCount` texts of the table in `image` into the
// process-wide table, logging the "--- Languages ---" block. Returns how
// many were located.
std::int32_t locateTexts(const FirmwareImage& image, std::int32_t langCount);
