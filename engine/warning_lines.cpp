#include "engine/warning_lines.h"

WarningLines warningLines;

void WarningLines::setLine(int index, const CheckedLine& line)
{
    if (index < 0 || index >= kCount)
        return;
    lines_[index] = line;
    std::int32_t previous = -1;
    for (int i = 0; i < kCount; ++i) {
        ends_[i] = previous + static_cast<std::int32_t>(lines_[i].size()) + 1;
        previous = ends_[i];
    }
}
