// Where a preview line was drawn: two screenshots of the same window, one
// with the preview fields empty and one with their lines, compared pixel by
// pixel. Used by the GUI tests of both front ends.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Seven lines of 29 characters, from the widest glyphs to the narrowest.
inline const char* const kLongPreviewLines[] = {
    "WWWWWWWWWWWWWWWWWWWWWWWWWWWWW", "THIS UNIT BELONGS TO J. SMITH", "Line 3 is exactly 29 chars...",
    "responsibility and risk, too.", "iiiiiiiiiiiiiiiiiiiiiiiiiiiii", "mmmmmmmmmmmmmmmmmmmmmmmmmmmmm",
    "Call +44 131 496 0000 for me!"};

struct PixelBox {
    int left, top, right, bottom; // inclusive; right < left when empty
};

// Whether the pixel at (x, y) differs between the two screenshots.
using Differs = std::function<bool(int x, int y)>;

// The smallest box holding every differing pixel of the area.
inline PixelBox changedPixels(const PixelBox& area, const Differs& differs)
{
    PixelBox box{area.right + 1, area.bottom + 1, area.left - 1, area.top - 1};
    for (int y = area.top; y <= area.bottom; ++y)
        for (int x = area.left; x <= area.right; ++x)
            if (differs(x, y)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

// Every field shows ink of at least `minHeight` rows that keeps clear of the
// field's edges (a line cut off there, or a descender cut off at the bottom,
// would touch them), and nothing changed in `around` outside the fields.
inline void expectInkInsideFields(const std::vector<PixelBox>& fields, const PixelBox& around,
                                  int minHeight, const Differs& differs)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        SCOPED_TRACE("preview field " + std::to_string(i + 1));
        const PixelBox& field = fields[i];
        const PixelBox ink = changedPixels(field, differs);
        ASSERT_LE(ink.left, ink.right) << "nothing drawn";
        EXPECT_GT(ink.left, field.left) << "touches the left edge";
        EXPECT_LT(ink.right, field.right) << "touches the right edge";
        EXPECT_GT(ink.top, field.top) << "touches the top edge";
        EXPECT_LT(ink.bottom, field.bottom) << "touches the bottom edge: descenders cut off";
        EXPECT_GE(ink.bottom - ink.top + 1, minHeight) << "too small to read";
    }
    const PixelBox outside = changedPixels(around, [&](int x, int y) {
        for (const PixelBox& field : fields)
            if (x >= field.left && x <= field.right && y >= field.top && y <= field.bottom)
                return false;
        return differs(x, y);
    });
    EXPECT_GT(outside.left, outside.right) << "drawn outside the fields at x " << outside.left
                                           << " y " << outside.top;
}

} // namespace testing_support
