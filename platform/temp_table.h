// The table behind noteTempFile and forgetTempFile. Internal to platform/.
#pragma once

namespace platform::temp_table {
// Calls `remove` with every noted path. Safe inside a signal handler or a
// console control handler: it neither allocates nor takes a lock.
void removeAll(void (*remove)(const char* path));
// Called once, before the first file is noted: installs whatever makes the
// OS call removeAll when the process is interrupted.
void installInterruptCleanup();
} // namespace platform::temp_table
