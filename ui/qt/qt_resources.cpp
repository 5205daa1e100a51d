#include "ui/qt/qt_resources.h"

namespace ui::qt {

QPixmap warningPicture()
{
    return QPixmap(QStringLiteral(":/wendrix/warnbmp.bmp"));
}

QIcon applicationIcon()
{
    QPixmap image(QStringLiteral(":/wendrix/aaicon.ico"));
    if (image.isNull())
        image.load(QStringLiteral(":/wendrix/wendrix-32.png"));
    if (image.isNull())
        return QIcon();
    return QIcon(image);
}

} // namespace ui::qt
