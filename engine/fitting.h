// The fitting rule: how the user's lines replace each located text. The
// pass that logs and reports it is in engine/fit_log.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/language_table.h"

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
// The same for an image known by its size alone (0: no image): the rule
// never reads the texts, it only needs to know that they lie inside it.
void fitTexts(const WarningLines& lines, const LanguageTable& table, std::uint32_t imageSize,
              std::int32_t langCount, FitResult& result);

// Writes every replaced text of `result` over its text in `image`, the
// image `result` was worked out for, with its NUL (the byte after the text,
// which already ended it).
void replaceTexts(const LanguageTable& table, const FitResult& result, FirmwareImage& image);
