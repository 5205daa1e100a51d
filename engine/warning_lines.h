// The user's seven replacement lines and their running end offsets.
#pragma once

#include <cstdint>

struct WarningLines {
    static constexpr int kCount = 7;
    static constexpr int kBufferSize = 32;

    // Line 1 to 7 (index 0 to 6), each NUL-terminated, without line feeds.
    char lines[kCount][kBufferSize] = {};
    // Entry i: length of lines 1..i+1 joined by single line feeds.
    std::int32_t lineEnds[kCount] = {};

    // Copies at most the first 29 characters of `text` into line `index`
    // and recomputes lineEnds.
    void setLine(int index, const char* text);
    const char* lineText(int index) const;
    // Whether every line is empty: written, they would blank every text.
    bool holdsNoText() const;
    // Returns the last entry of lineEnds, or 0 when a line is longer than
    // 30 characters (lineEnds is then updated only up to that line).
    std::int32_t recomputeLineEnds();
};

// The process-wide lines.
extern WarningLines warningLines;
