// Placing a window in the middle of the screen or of another window.
#pragma once

#include "ui/dialog_window.h"

namespace ui {

// Centres `window` over `reference` (the whole screen when null), keeping it
// on the screen where it fits. Non-zero on success; 0 when a rectangle could
// not be had in 5 attempts 100 ms apart, and then nothing moves.
int centreWindow(DialogWindow& window, DialogWindow* reference);

} // namespace ui
