// The "Check lines" window of wendrix.exe: dialog template 600 with a list
// view whose rows the program draws itself, several lines high, the text as
// the receiver shows it in a fixed-width font. Sized in dialog units and
// measured in the fonts it draws with, so that it reads whole at any DPI.
#pragma once

#include <windows.h>

namespace ui::win32 {

// Runs the window modally over the main dialog `owner`.
void runCheckLinesWindow(HWND owner);

} // namespace ui::win32
