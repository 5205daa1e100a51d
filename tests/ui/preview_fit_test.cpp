// The size a preview line is drawn in, with glyph widths made up so that
// each case lands on a known size.
#include <gtest/gtest.h>

#include <algorithm>

#include "ui/preview_fit.h"

using namespace ui;

TEST(PreviewFit, LargestSizeThatFitsThenNarrowedAtTheMinimum)
{
    const struct {
        const char* name;
        int fieldWidth, fontSize, chars;
        int tenthsPerSize; // glyph width in tenths of the size
        int narrowedExtra; // pixels that narrowed glyphs round up to
        PreviewFit fit;
    } cases[] = {
        {"fits at the font's own size", 166, 20, 7, 6, 0, {20, 100}},
        {"empty line", 166, 20, 0, 6, 0, {20, 100}},
        {"exactly the room", 166, 20, 27, 3, 0, {20, 100}}, // 162 pixels
        {"one pixel too wide", 165, 20, 27, 3, 0, {19, 100}},
        {"smaller size", 166, 20, 20, 6, 0, {13, 100}},
        {"at the minimum", 166, 20, 29, 6, 0, {9, 100}},
        {"narrowed", 166, 20, 29, 9, 0, {9, 69}},
        {"narrowed further where widths round up", 166, 20, 29, 9, 3, {9, 68}},
        {"a font already below the minimum", 166, 8, 40, 6, 0, {8, 84}},
        {"no room at all", 3, 20, 5, 6, 0, {9, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        const PreviewFit fit = fitPreviewLine(c.fieldWidth, c.fontSize, [&](int size, int percent) {
            ++calls;
            EXPECT_LE(size, c.fontSize);
            EXPECT_GE(size, std::min(c.fontSize, kPreviewMinimumSize));
            const int natural = c.chars * size * c.tenthsPerSize / 10;
            return percent == 100 ? natural : natural * percent / 100 + c.narrowedExtra;
        });
        EXPECT_EQ(fit.size, c.fit.size);
        EXPECT_EQ(fit.widthPercent, c.fit.widthPercent);
        EXPECT_LE(calls, 40);
    }
}
