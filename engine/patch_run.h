// The patch run behind the OK button.
#pragma once

#include "platform/platform.h"

// Patches the firmware of the model whose section is `section`; 1 when the
// working file was written, 0 otherwise. `owner` owns the message boxes and
// receives the Update command (window-menu command 1004).
int PatchRun(platform::WindowHandle owner, const char* section);

// Starts `program` with its first window at (200, 20). Returns the process,
// or 0 after telling the user that it could not be started.
platform::ProcessHandle launchUpdater(platform::WindowHandle owner, const char* program);
