#include "ui/win32/dialog_procs.h"

#include <cstdint>

#include "ui/about_dialog.h"
#include "ui/main_dialog.h"
#include "ui/win32/win32_dialog_window.h"

namespace ui::win32 {

// Only OK and Cancel are answered as handled; everything else also goes to
// the default dialog handling, which carries out the ordinary window-menu
// commands and turns a close request into Cancel.
INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32DialogWindow window(dialog);
    switch (message) {
    case WM_INITDIALOG:
        mainDialogCreate(window, static_cast<std::int32_t>(lParam));
        return FALSE;
    case WM_COMMAND:
        return mainDialogCommand(window, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_SYSCOMMAND:
        mainDialogSysCommand(window, static_cast<int>(wParam));
        return FALSE;
    case WM_TIMER:
        mainDialogTimer(window, static_cast<int>(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    Win32DialogWindow window(dialog);
    switch (message) {
    case WM_INITDIALOG:
        aboutDialogCreate(window);
        return TRUE; // the default focus goes to OK
    case WM_COMMAND:
        return aboutDialogCommand(window, LOWORD(wParam)) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

} // namespace ui::win32
