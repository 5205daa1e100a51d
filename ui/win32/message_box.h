// The program's message boxes on Win32: what MessageBoxA shows (caption,
// icon, text, OK, OK and Cancel, or Yes and No, the default button), laid
// out from the text as the box's own font draws it. Wine's MessageBoxA
// makes the text exactly as wide as the font's advance widths, and the last
// glyph's overhang is cut off ("firmwar", "protectec").
#pragma once

#include "platform/platform.h"

namespace ui::win32 {

// For platform::setMessageBoxHandler; `owner` is an HWND or null.
int showMessageBox(platform::WindowHandle owner, const char* text, const char* caption, unsigned style);

} // namespace ui::win32
