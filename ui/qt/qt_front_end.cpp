#include "ui/qt/qt_front_end.h"

#include <QFont>
#include <QFontMetrics>
#include <QPixmap>

#include "ui/qt/qt_dialog.h"
#include "ui/qt/qt_resources.h"

namespace ui::qt {

constexpr int kPreviewCellHeight = 20;

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
    // "Ariel" is what the device page is imitated with; where no such face
    // exists the metric twins of Arial stand in before any other sans face.
    auto* font = new QFont;
    font->setFamilies({QStringLiteral("Ariel"), QStringLiteral("Arial"),
                       QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")});
    font->setStyleHint(QFont::SansSerif);
    font->setWeight(QFont::Bold);
    // Bold with a character cell 20 pixels high: the largest size whose
    // line height still fits in 20 pixels.
    font->setPixelSize(kPreviewCellHeight);
    while (font->pixelSize() > 8 && QFontMetrics(*font).height() > kPreviewCellHeight)
        font->setPixelSize(font->pixelSize() - 1);
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
