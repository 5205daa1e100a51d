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

} // namespace ui::win32
