// The picture and icon built into the executable.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ui::qt {

// "WARNBMP": 180 x 240, null when it cannot be read.
QPixmap warningPicture();
// "AAICON": the 32 x 32 icon; the PNG copy stands in when no ICO reader
// is installed.
QIcon applicationIcon();

} // namespace ui::qt
