// Message boxes for platform::messageBox: the style's icon and buttons,
// owned by the window behind the handle.
#pragma once

#include <QFont>

#include "platform/platform.h"

class QWidget;

namespace ui::qt {

// The font a title bar is assumed to draw a box's caption in.
QFont captionFont(const QWidget& box);

// `owner` is a QWidget* or null.
int showMessageBox(platform::WindowHandle owner, const char* text, const char* caption,
                   unsigned style);

} // namespace ui::qt
