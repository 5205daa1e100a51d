// The seven preview fields over the picture, drawn by the program itself:
// transparent, so the picture shows around the text, and each line in the
// preview font or the largest smaller size of it that fits its field.
#pragma once

#include <windows.h>

namespace ui::win32 {

// Takes over the painting of the preview fields of the main dialog.
void drawPreviewFieldsOverPicture(HWND dialog);

} // namespace ui::win32
