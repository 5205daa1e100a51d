// Where the seven preview fields lie: on the picture, inside its frame, in
// seven bands of equal height. The picture grows with the screen's DPI while
// the dialog's own units follow its font, which does not grow in step; the
// fields are placed by the picture's pixels so that at any DPI the lines
// stand inside the frame and each band is as tall as the preview font.
#pragma once

namespace ui {

// The inside of the frame of the 180 x 240 picture, in its pixels
// (scripts/make_resources.py draws it).
constexpr int kPictureWidth = 180;
constexpr int kFrameLeft = 6;
constexpr int kFrameTop = 69;
constexpr int kFrameRight = 173;  // inclusive
constexpr int kFrameBottom = 213; // inclusive
// Pixels kept free inside the frame, so that no line touches it: at the
// sides, and above the first band and below the last (seven bands of 20
// pixels remain, the preview font's cell).
constexpr int kFrameInsetX = 1;
constexpr int kFrameInsetY = 2;

struct FieldBox {
    int left, top, width, height; // pixels, relative to the picture's corner
};

// The box of preview line `line` (0 to 6) over a picture `pictureWidth`
// pixels wide (the picture scaled alike in both directions).
FieldBox previewFieldBox(int line, int pictureWidth);

} // namespace ui
