// The About box: the program's name and version, closed by OK, Enter,
// Escape or the close box.
#pragma once

#include "ui/dialog_window.h"

namespace ui {

// Fills in the texts and centres the box over `over` (the screen when null).
void aboutDialogCreate(DialogWindow& window, DialogWindow* over);
// True for ids 1 and 2, which end the box with result 0.
bool aboutDialogCommand(DialogWindow& window, int id);

} // namespace ui
