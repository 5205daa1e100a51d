// The user's seven replacement lines and their running end offsets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/line_check.h"

// Holds only checked lines (see engine/line_check.h): every line is at most
// kLineCharacters characters long and the ends always match the lines.
struct WarningLines {
public:
    static constexpr int kCount = 7;

    // Puts `line` into line `index` (0 to 6; others are ignored) and brings
    // the ends in step.
    void setLine(int index, const CheckedLine& line);
    // Line `index` (the empty line for an index outside 0 to 6).
    const CheckedLine& line(int index) const { return index >= 0 && index < kCount ? lines_[index] : kNoLine; }
    const char* lineText(int index) const { return line(index).c_str(); }
    std::size_t lineLength(int index) const { return line(index).size(); }
    // Entry i (0 to 6): the length of lines 1..i+1 joined by single line
    // feeds. With all lines empty the entries are 0, 1, ..., 6.
    std::int32_t lineEnd(int index) const { return ends_[index]; }

    // Whether every line is empty: written, they would blank every text.
    bool holdsNoText() const { return ends_[kCount - 1] == kCount - 1; }

private:
    static inline const CheckedLine kNoLine{};
    CheckedLine lines_[kCount];
    std::int32_t ends_[kCount] = {0, 1, 2, 3, 4, 5, 6};
};

// The process-wide lines.
extern WarningLines warningLines;
