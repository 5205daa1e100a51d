// Without an installed handler, a message box is a real one and a
// window-menu command goes to the window itself.
#include <windows.h>

#include "platform/os_defaults.h"

namespace platform::os {
int defaultMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style)
{
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

void defaultSysCommand(WindowHandle owner, int command)
{
    SendMessageA(static_cast<HWND>(owner), WM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
}
} // namespace platform::os
