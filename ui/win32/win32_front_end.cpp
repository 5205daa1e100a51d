#include "ui/win32/win32_front_end.h"

#include "ui/win32/dialog_procs.h"

namespace ui::win32 {
namespace {

constexpr int kDefaultDpi = 96;

// The dots per inch of the screen. The program is aware of the system's DPI
// (its manifest says so), so every window it opens has this DPI.
int screenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace

void* Win32FrontEnd::loadPicture()
{
    HBITMAP picture = LoadBitmapA(instance_, "WARNBMP");
    const int dpi = screenDpi();
    BITMAP size{};
    if (picture == nullptr || dpi == kDefaultDpi ||
        GetObjectA(picture, sizeof size, &size) == 0)
        return picture;
    // The dialog grows with the DPI; the picture grows alike, so that the
    // preview fields still lie over its frame.
    auto scaled = static_cast<HBITMAP>(LoadImageA(
        instance_, "WARNBMP", IMAGE_BITMAP, MulDiv(size.bmWidth, dpi, kDefaultDpi),
        MulDiv(size.bmHeight, dpi, kDefaultDpi), LR_DEFAULTCOLOR));
    if (scaled == nullptr)
        return picture;
    DeleteObject(picture);
    return scaled;
}

void* Win32FrontEnd::loadIcon()
{
    // The icon at its own size (32 x 32), default colours.
    return LoadImageA(instance_, "AAICON", IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR);
}

void* Win32FrontEnd::createPreviewFont()
{
    // A cell 20 pixels high at 96 DPI, as many points at any other.
    return CreateFontA(MulDiv(20, screenDpi(), kDefaultDpi), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
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
