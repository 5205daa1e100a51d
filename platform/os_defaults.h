// What each OS does for a message box or a window-menu command when no
// handler is installed. Internal to platform/.
#pragma once

#include "platform/platform.h"

namespace platform::os {
int defaultMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style);
void defaultSysCommand(WindowHandle owner, int command);
// Waits for the process to end, without a time limit (see waitForProcess).
int waitForProcess(ProcessHandle process);
} // namespace platform::os
