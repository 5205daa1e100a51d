#include "ui/win32/preview_field.h"

#include <algorithm>

#include "engine/warning_lines.h"
#include "ui/dialog_window.h"
#include "ui/preview_fit.h"

namespace ui::win32 {
namespace {

// The preview font at `size` pixels of em height, its glyphs narrowed to
// `percent` of their width. Every line is drawn with a font made here, bold
// whatever its size: a face mapped in place of the one asked for must not
// weigh differently at full size and shrunk.
HFONT previewFontAt(const LOGFONTA& base, HDC context, int size, int percent)
{
    LOGFONTA font = base;
    font.lfHeight = -size; // the em height, as the fitting counts sizes
    font.lfWidth = 0;
    font.lfWeight = FW_BOLD;
    if (percent != 100) {
        // A width of 0 means the face's own; narrowing needs its average.
        HFONT natural = CreateFontIndirectA(&font);
        HGDIOBJ old = SelectObject(context, natural);
        TEXTMETRICA metrics{};
        GetTextMetricsA(context, &metrics);
        SelectObject(context, old);
        DeleteObject(natural);
        font.lfWidth = std::max<LONG>(1, metrics.tmAveCharWidth * percent / 100);
    }
    return CreateFontIndirectA(&font);
}

int lineWidth(HDC context, HFONT font, const char* text, int length)
{
    HGDIOBJ old = SelectObject(context, font);
    SIZE extent{};
    GetTextExtentPoint32A(context, text, length, &extent);
    SelectObject(context, old);
    return extent.cx;
}

// The part of the picture that lies under the field, or the dialog's own
// background where the picture does not reach.
void paintBackground(HWND field, HDC context, const RECT& area, HBRUSH background)
{
    FillRect(context, &area, background);
    HWND picture = GetDlgItem(GetParent(field), IdPicture);
    auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap == nullptr)
        return;
    POINT origin{0, 0}; // the field's corner in the picture's coordinates
    MapWindowPoints(field, picture, &origin, 1);
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    HDC source = CreateCompatibleDC(context);
    HGDIOBJ old = SelectObject(source, bitmap);
    const int left = std::max<int>(0, -origin.x);
    const int top = std::max<int>(0, -origin.y);
    const int right = std::min<int>(area.right, size.bmWidth - origin.x);
    const int bottom = std::min<int>(area.bottom, size.bmHeight - origin.y);
    if (right > left && bottom > top)
        BitBlt(context, left, top, right - left, bottom - top, source, origin.x + left,
               origin.y + top, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

void paint(HWND field)
{
    PAINTSTRUCT ps;
    HDC context = BeginPaint(field, &ps);
    RECT area;
    GetClientRect(field, &area);
    // The dialog chooses the colours of its statics.
    auto background = reinterpret_cast<HBRUSH>(SendMessageA(
        GetParent(field), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
        reinterpret_cast<LPARAM>(field)));
    if (background == nullptr)
        background = GetSysColorBrush(COLOR_BTNFACE);
    paintBackground(field, context, area, background);

    char text[64] = "";
    const int length = GetWindowTextA(field, text, sizeof text);
    auto font = reinterpret_cast<HFONT>(SendMessageA(field, WM_GETFONT, 0, 0));
    if (font == nullptr)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA base{};
    GetObjectA(font, sizeof base, &base);
    // The preview font is made by its cell height; smaller sizes are counted
    // by the em height, as every toolkit counts a font's pixel size.
    HGDIOBJ previous = SelectObject(context, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(context, &metrics);
    SelectObject(context, previous);
    const int baseSize = static_cast<int>(metrics.tmHeight - metrics.tmInternalLeading);
    const PreviewFit fit =
        fitPreviewLine(area.right, baseSize, [&](int size, int percent) {
            HFONT trial = previewFontAt(base, context, size, percent);
            const int width = lineWidth(context, trial, text, length);
            DeleteObject(trial);
            return width;
        });
    HFONT drawn = previewFontAt(base, context, fit.size, fit.widthPercent);
    HGDIOBJ old = SelectObject(context, drawn);
    SetBkMode(context, TRANSPARENT);
    // The line's cell centred in the field, but never lower than leaves a
    // free row under it: where the field is no taller than the cell, the
    // empty leading above the capitals gives way, never the descenders.
    TEXTMETRICA cell{};
    GetTextMetricsA(context, &cell);
    RECT line = area;
    line.top = std::min<LONG>((area.bottom - cell.tmHeight) / 2, area.bottom - cell.tmHeight - 1);
    line.bottom = line.top + cell.tmHeight;
    DrawTextA(context, text, length, &line, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(context, old);
    DeleteObject(drawn);
    EndPaint(field, &ps);
}

LRESULT CALLBACK previewProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(field, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_PAINT:
        paint(field);
        return 0;
    case WM_SETTEXT:
        // Stored only: a static may draw its new text at once, in its own way.
        DefWindowProcA(field, message, wParam, lParam);
        InvalidateRect(field, nullptr, FALSE);
        return TRUE;
    default:
        return CallWindowProcA(original, field, message, wParam, lParam);
    }
}

} // namespace

void drawPreviewFieldsOverPicture(HWND dialog)
{
    for (int i = 0; i < WarningLines::kCount; ++i) {
        HWND field = GetDlgItem(dialog, IdFirstPreview + i);
        if (field == nullptr)
            continue;
        SetWindowLongPtrA(field, GWLP_USERDATA, GetWindowLongPtrA(field, GWLP_WNDPROC));
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previewProc));
    }
}

} // namespace ui::win32
