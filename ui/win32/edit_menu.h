// The context menu of the line edits and of the model list's edit field:
// the usual editing commands, then, after a separator, the dialog's own
// window-menu commands, which a window manager's title bar may hide.
#pragma once

#include <windows.h>

namespace ui::win32 {

void addWindowMenuToEditMenus(HWND dialog);

} // namespace ui::win32
