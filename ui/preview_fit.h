// The size a preview line is drawn in: the preview font's own size when the
// line fits its field, else the largest smaller size of the same face that
// fits, down to a legible minimum; a line still too wide at the minimum is
// narrowed, so that no line is ever cut off at the field's edges.
#pragma once

#include <functional>

namespace ui {

// The smallest size a preview line is drawn in, in the font's own units
// (pixels).
constexpr int kPreviewMinimumSize = 9;
// Room kept free at each side of a preview field.
constexpr int kPreviewSideMargin = 2;

struct PreviewFit {
    int size;         // font size in the preview font's units
    int widthPercent; // 100, or less where the glyphs are narrowed
};

// The drawn width in pixels of the line in the preview face at `size`,
// with its glyphs narrowed to `widthPercent` of their width.
using MeasureLine = std::function<int(int size, int widthPercent)>;

// `fontSize` is the preview font's own size; `fieldWidth` the field's width
// in pixels.
PreviewFit fitPreviewLine(int fieldWidth, int fontSize, const MeasureLine& measure);

} // namespace ui
