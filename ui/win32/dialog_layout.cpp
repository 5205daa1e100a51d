#include "ui/win32/dialog_layout.h"

#include "engine/warning_lines.h"
#include "ui/dialog_window.h"
#include "ui/preview_layout.h"

namespace ui::win32 {
namespace {

// Free pixels between the picture and the rule.
constexpr int kGap = 4;

RECT clientRect(HWND dialog, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

void keepPictureAboveRule(HWND dialog, int pictureHeight)
{
    HWND picture = GetDlgItem(dialog, IdPicture);
    HWND rule = nullptr; // the black rectangle; it has no id of its own
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BLACKRECT)
            rule = child;
    if (picture == nullptr || rule == nullptr || pictureHeight <= 0)
        return;
    const int ruleTop = clientRect(dialog, rule).top;
    const int shift = clientRect(dialog, picture).top + pictureHeight + kGap - ruleTop;
    if (shift <= 0)
        return;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = clientRect(dialog, child);
        if (rect.top >= ruleTop)
            SetWindowPos(child, nullptr, rect.left, rect.top + shift, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame;
    GetWindowRect(dialog, &frame);
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top + shift, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void placePreviewFieldsOnPicture(HWND dialog, int pictureWidth)
{
    HWND picture = GetDlgItem(dialog, IdPicture);
    if (picture == nullptr || pictureWidth <= 0)
        return;
    const RECT corner = clientRect(dialog, picture);
    for (int i = 0; i < WarningLines::kCount; ++i) {
        const FieldBox box = previewFieldBox(i, pictureWidth);
        SetWindowPos(GetDlgItem(dialog, IdFirstPreview + i), nullptr, corner.left + box.left,
                     corner.top + box.top, box.width, box.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace ui::win32
