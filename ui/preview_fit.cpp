#include "ui/preview_fit.h"

#include <algorithm>

namespace ui {

PreviewFit fitPreviewLine(int fieldWidth, int fontSize, const MeasureLine& measure)
{
    const int room = fieldWidth - 2 * kPreviewSideMargin;
    const int smallest = std::min(fontSize, kPreviewMinimumSize);
    for (int size = fontSize; size > smallest; --size)
        if (measure(size, 100) <= room)
            return {size, 100};
    // At the minimum the glyphs are narrowed until the line fits. The first
    // guess is proportional; rounding in the toolkit's glyph widths may need
    // a few more steps.
    const int natural = measure(smallest, 100);
    if (natural <= room)
        return {smallest, 100};
    int percent = room > 0 ? std::max(1, room * 100 / natural) : 1;
    while (percent > 1 && measure(smallest, percent) > room)
        --percent;
    return {smallest, percent};
}

} // namespace ui
