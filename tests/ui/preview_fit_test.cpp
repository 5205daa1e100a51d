// The size a preview line is drawn in, with glyph widths made up so that
// each case lands on a known size.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "ui/preview_fit.h"
#include "ui/preview_layout.h"

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

// The seven bands over the picture's frame, at 96 dpi (180 pixels wide) and
// at 144 dpi (270): they meet without gaps, stay inside the frame clear of
// its lines, and each is at least as tall as the preview font's cell there.
TEST(PreviewLayout, SevenBandsInsideTheFrameEachAsTallAsTheFont)
{
    for (const auto& [width, cell] : {std::pair{180, 20}, std::pair{270, 30}, std::pair{360, 40}}) {
        SCOPED_TRACE(width);
        const auto scaled = [width = width](int pixels) { return pixels * width / kPictureWidth; };
        for (int line = 0; line < 7; ++line) {
            SCOPED_TRACE(line);
            const FieldBox box = previewFieldBox(line, width);
            EXPECT_GE(box.height, cell);
            EXPECT_GT(box.left, scaled(kFrameLeft));
            EXPECT_LT(box.left + box.width, scaled(kFrameRight + 1));
            EXPECT_GT(box.top, scaled(kFrameTop));
            EXPECT_LT(box.top + box.height, scaled(kFrameBottom + 1));
            if (line > 0) {
                const FieldBox above = previewFieldBox(line - 1, width);
                EXPECT_EQ(above.top + above.height, box.top);
            }
        }
    }
}
