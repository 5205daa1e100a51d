#include "ui/preview_layout.h"

#include "engine/warning_lines.h"

namespace ui {
namespace {

// A position in the picture's own pixels, scaled to a picture `width` wide.
int scaled(int pixels, int width)
{
    return (pixels * width + kPictureWidth / 2) / kPictureWidth;
}

} // namespace

FieldBox previewFieldBox(int line, int pictureWidth)
{
    const int first = kFrameTop + kFrameInsetY;
    const int height = kFrameBottom + 1 - kFrameInsetY - first;
    // Band edges are rounded once each, so neighbouring bands meet exactly.
    const int top = scaled(first, pictureWidth) + scaled(height * line, pictureWidth) / WarningLines::kCount;
    const int bottom = scaled(first, pictureWidth) + scaled(height * (line + 1), pictureWidth) / WarningLines::kCount;
    const int left = scaled(kFrameLeft + kFrameInsetX, pictureWidth);
    return {left, top, scaled(kFrameRight + 1 - kFrameInsetX, pictureWidth) - left, bottom - top};
}

} // namespace ui
