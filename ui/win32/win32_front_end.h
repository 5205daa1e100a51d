// Start-up's resources and the main dialog on Win32: GDI objects from the
// executable's resources and DialogBoxParamA with template 400.
#pragma once

#include <windows.h>

#include "ui/startup.h"

namespace ui::win32 {

class Win32FrontEnd final : public FrontEnd {
public:
    explicit Win32FrontEnd(HINSTANCE instance) : instance_(instance) {}

    void* loadPicture() override;
    void* loadIcon() override;
    void* createPreviewFont() override;
    int runMainDialog(std::int32_t parameter) override;
    void deleteFont(void* font) override;
    void deletePicture(void* picture) override;

private:
    HINSTANCE instance_;
};

} // namespace ui::win32
