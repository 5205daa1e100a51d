// Ctrl+C, Ctrl+Break and the console closing remove the noted temporary
// files, then let the default handling end the process. Temporary files are
// opened shared for deletion, so the removal works while they are open.
#include <windows.h>

#include "platform/temp_table.h"

namespace platform::temp_table {
namespace {

void deletePath(const char* path)
{
    DeleteFileA(path);
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT)
        removeAll(deletePath);
    return FALSE;
}

} // namespace

void installInterruptCleanup()
{
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace platform::temp_table
