#include "ui/qt/qt_front_end.h"

#include <QFont>
#include <QPixmap>

#include "ui/qt/qt_dialog.h"
#include "ui/qt/qt_resources.h"

namespace ui::qt {

void* QtFrontEnd::loadPicture()
{
    QPixmap picture = warningPicture();
    return picture.isNull() ? nullptr : new QPixmap(picture);
}

void* QtFrontEnd::loadIcon()
{
    QIcon icon = applicationIcon();
    if (icon.isNull())
        return nullptr;
    icon_ = std::make_unique<QIcon>(icon);
    return icon_.get();
}

void* QtFrontEnd::createPreviewFont()
{
    // Bold, 20 pixels high, in the face the device's page is imitated with.
    auto* font = new QFont(QStringLiteral("Ariel"));
    font->setPixelSize(20);
    font->setWeight(QFont::Bold);
    return font;
}

int QtFrontEnd::runMainDialog(std::int32_t parameter)
{
    MainDialogQt dialog(parameter);
    return runWithoutOwner(dialog);
}

void QtFrontEnd::deleteFont(void* font)
{
    delete static_cast<QFont*>(font);
}

void QtFrontEnd::deletePicture(void* picture)
{
    delete static_cast<QPixmap*>(picture);
}

} // namespace ui::qt
