// The dialog procedures of the main dialog (template 400) and the About box
// (template 500). They only translate window messages to the dialog logic.
#pragma once

#include <windows.h>

namespace ui::win32 {

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the About box modally, without an owner, centred over `over`.
INT_PTR runAboutBox(HWND over);

} // namespace ui::win32
