// What start-up needs from Qt: the picture, icon and font, and the modal
// main dialog.
#pragma once

#include <QIcon>
#include <memory>

#include "ui/startup.h"

namespace ui::qt {

class QtFrontEnd : public FrontEnd {
public:
    void* loadPicture() override;     // a QPixmap*
    void* loadIcon() override;        // a QIcon*, kept by this object
    void* createPreviewFont() override; // a QFont*
    int runMainDialog(std::int32_t parameter) override;
    void deleteFont(void* font) override;
    void deletePicture(void* picture) override;

private:
    std::unique_ptr<QIcon> icon_;
};

} // namespace ui::qt
