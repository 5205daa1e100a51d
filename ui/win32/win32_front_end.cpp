#include "ui/win32/win32_front_end.h"

#include "ui/win32/dialog_procs.h"

namespace ui::win32 {

void* Win32FrontEnd::loadPicture()
{
    return LoadBitmapA(instance_, "WARNBMP");
}

void* Win32FrontEnd::loadIcon()
{
    // The icon at its own size (32 x 32), default colours.
    return LoadImageA(instance_, "AAICON", IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR);
}

void* Win32FrontEnd::createPreviewFont()
{
    return CreateFontA(20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Ariel");
}

int Win32FrontEnd::runMainDialog(std::int32_t parameter)
{
    const INT_PTR result = DialogBoxParamA(instance_, MAKEINTRESOURCEA(400), nullptr,
                                           mainDialogProc, static_cast<LPARAM>(parameter));
    return static_cast<int>(result);
}

void Win32FrontEnd::deleteFont(void* font)
{
    if (font != nullptr)
        DeleteObject(static_cast<HFONT>(font));
}

void Win32FrontEnd::deletePicture(void* picture)
{
    if (picture != nullptr)
        DeleteObject(static_cast<HBITMAP>(picture));
}

} // namespace ui::win32
