// Pixel layout of the main dialog that its template cannot fix: the picture
// has its own size in pixels while the rule and the buttons below it are
// placed in dialog units, which depend on the dialog font.
#pragma once

#include <windows.h>

namespace ui::win32 {

// Moves the rule and the buttons below the picture of `pictureHeight`
// pixels where a small dialog font would let the picture reach over them,
// and makes the dialog taller by as much.
void keepPictureAboveRule(HWND dialog, int pictureHeight);

// Lays the seven preview fields over the frame of the picture, which is
// `pictureWidth` pixels wide, by its pixels (see ui/preview_layout.h).
void placePreviewFieldsOnPicture(HWND dialog, int pictureWidth);

} // namespace ui::win32
