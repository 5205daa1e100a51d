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

// The process-wide table.
extern LanguageTable languageTable;

// The number of language texts of the chosen model, set by the patch run.
extern std::int32_t lang;

// Locates the first `langCount` texts of the table in `image`, logging the
// "--- Languages ---" block. Returns how many were located.
std::int32_t locateTexts(const FirmwareImage& image, std::int32_t langCount);
