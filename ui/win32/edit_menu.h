// The context menu of the line edits and of the model list's edit field:
// the usual editing commands, then, after a separator, the dialog's own
// window-menu commands, which a window manager's title bar may hide. The
// rest of the model list (its drop-down arrow) offers those commands alone.
// A paste into a line edit puts the clipboard's whole text in, line breaks
// too, for the dialog logic to judge.
#pragma once

#include <windows.h>

namespace ui::win32 {

void addWindowMenuToEditMenus(HWND dialog);

// A right click on the model list outside its edit field (its drop-down
// arrow) reaches the dialog: shows the dialog's commands there. False when
// the click was on another control.
bool showModelListMenu(HWND dialog, HWND clicked, LPARAM where);

// A right click on the dialog's background shows its window menu there, as
// the title bar's icon does. False when the click was on a control.
bool showWindowMenu(HWND dialog, HWND clicked, LPARAM where);

} // namespace ui::win32
