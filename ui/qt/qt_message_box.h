// Message boxes for platform::messageBox: the style's icon and buttons,
// owned by the window behind the handle.
#pragma once

#include "platform/platform.h"

namespace ui::qt {

// `owner` is a QWidget* or null.
int showMessageBox(platform::WindowHandle owner, const char* text, const char* caption,
                   unsigned style);

} // namespace ui::qt
