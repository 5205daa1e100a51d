// Without a desktop front end, a message box is text on standard error and
// the answer is the button that changes nothing.
#include <cstdio>

#include "platform/os_defaults.h"

namespace platform::os {
int defaultMessageBox(WindowHandle, const char* text, const char*, unsigned style)
{
    std::fprintf(stderr, "%s\n", text);
    switch (style & 0x0F) {
    case MbOkCancel:
        return IdCancel;
    case MbYesNo:
        return IdNo;
    default:
        return IdOk;
    }
}

void defaultSysCommand(WindowHandle, int) {}
} // namespace platform::os
