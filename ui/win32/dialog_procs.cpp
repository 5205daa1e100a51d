#include "ui/win32/dialog_procs.h"

#include <commctrl.h>

#include <cstdint>

#include "ui/about_dialog.h"
#include "ui/main_dialog.h"
#include "ui/startup.h"
#include "ui/win32/dialog_layout.h"
#include "ui/win32/edit_menu.h"
#include "ui/win32/preview_field.h"
#include "ui/win32/win32_dialog_window.h"

namespace ui::win32 {
namespace {

// The window the About box being created is centred over.
HWND aboutOver = nullptr;

// The picture's size in pixels; 0 by 0 when there is none.
SIZE pictureSize(void* picture)
{
    BITMAP size{};
    if (picture == nullptr || GetObjectA(static_cast<HBITMAP>(picture), sizeof size, &size) == 0)
        return {0, 0};
    return {size.bmWidth, size.bmHeight};
}

} // namespace

// Only OK and Cancel are answered as handled; everything else also goes to
// the default dialog handling, which carries out the ordinary window-menu
// commands and turns a close request into Cancel.
INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32DialogWindow window(dialog);
    switch (message) {
    case WM_INITDIALOG:
        keepPictureAboveRule(dialog, pictureSize(warningBitmap).cy);
        placePreviewFieldsOnPicture(dialog, pictureSize(warningBitmap).cx);
        drawPreviewFieldsOverPicture(dialog);
        addWindowMenuToEditMenus(dialog);
        // The patch run's wait for the uploader says so in this dialog.
        platform::setProcessWaitHandler([dialog](const std::function<int()>& wait) {
            Win32DialogWindow waiting(dialog);
            return mainDialogWaitForUploader(waiting, wait);
        });
        mainDialogCreate(window, static_cast<std::int32_t>(lParam));
        return FALSE; // the dialog logic has set the focus
    case WM_DESTROY:
        platform::setProcessWaitHandler({});
        RemovePropA(dialog, kBusyProperty);
        return FALSE;
    case WM_NOTIFY: {
        // The fit line, a SysLink: clicked, or Enter or Space on it.
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IdFitLine && (header->code == NM_CLICK || header->code == NM_RETURN))
            mainDialogCommand(window, IdFitLine, NotifyLinkActivated);
        return FALSE;
    }
    case WM_SETCURSOR:
        if (GetPropA(dialog, kBusyProperty) == nullptr)
            return FALSE;
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        return mainDialogCommand(window, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_SYSCOMMAND:
        mainDialogSysCommand(window, static_cast<int>(wParam));
        return FALSE;
    case WM_TIMER:
        mainDialogTimer(window, static_cast<int>(wParam));
        return FALSE;
    case WM_CONTEXTMENU:
        return showModelListMenu(dialog, reinterpret_cast<HWND>(wParam), lParam) ||
                       showWindowMenu(dialog, reinterpret_cast<HWND>(wParam), lParam)
                   ? TRUE
                   : FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    Win32DialogWindow window(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        Win32DialogWindow over(aboutOver);
        aboutDialogCreate(window, aboutOver != nullptr ? &over : nullptr);
        return TRUE; // the default focus goes to OK
    }
    case WM_COMMAND:
        return aboutDialogCommand(window, LOWORD(wParam)) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

INT_PTR runAboutBox(HWND over)
{
    aboutOver = over;
    // No owner: the main dialog stays usable while the box is open.
    return DialogBoxParamA(static_cast<HINSTANCE>(appInstance), MAKEINTRESOURCEA(500), nullptr,
                           aboutDialogProc, 500);
}

} // namespace ui::win32
