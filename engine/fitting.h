// Rewriting the located texts with the user's lines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/language_table.h"
#include "platform/platform.h"

struct FirmwareImage;
struct WarningLines;

// Seven pieces of at most 49 characters, and the terminator.
inline constexpr std::size_t kCandidateSize = 7 * 49 + 1;

// What the fitting rule gives for one entry of the table.
struct FitOutcome {
    bool located = false;             // a text of this run that lies wholly inside the image
    bool replaced = false;            // a candidate of exactly the text's length was found
    int linesUsed = 0;                // leading lines that fit, with their line feeds (n)
    int fillFactor = 0;               // the accepted fill factor, when replaced
    std::int32_t candidateLength = 0; // the most recent candidate's length, as the log gives it
    char candidate[kCandidateSize] = {}; // the accepted candidate and its NUL, when replaced

    int linesSkipped() const { return 7 - linesUsed; }
};

// The outcome of one fitting pass, entry by entry in table order.
struct FitResult {
    std::int32_t count = 0; // entries worked on: langCount, at most the table's size
    int failures = 0;       // entries not replaced
    FitOutcome entries[LanguageTable::kCount];
};

// The fitting rule without side effects: for the first `langCount` entries of
// `table`, as the location pass left them in `image`, works out what the
// fitting pass would write. Reads nothing but its arguments, writes nothing
// but `result`.
void fitTexts(const WarningLines& lines, const LanguageTable& table, const FirmwareImage& image,
              std::int32_t langCount, FitResult& result);

// Replaces every located text of the first `langCount` table entries with the
// warning lines, padded to the text's exact length; logs the "--- Lines ---"
// and "--- Result ---" blocks and reports texts it could not fit. Returns 1.
// When `outcome` is given it receives the outcome of every entry.
int fitAndReplace(platform::WindowHandle owner, FirmwareImage& image, std::int32_t langCount,
                  FitResult* outcome = nullptr);
