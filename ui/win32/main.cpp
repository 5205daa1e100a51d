// wendrix.exe: start-up runs the main dialog from the executable's own
// resources. The command line and the show state are not used.
#include <windows.h>
#include <commctrl.h>

#include "platform/platform.h"
#include "ui/startup.h"
#include "ui/win32/message_box.h"
#include "ui/win32/win32_front_end.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The main dialog's fit line is a SysLink, the Check lines window a list view.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LINK_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    platform::setMessageBoxHandler(ui::win32::showMessageBox);
    ui::win32::Win32FrontEnd frontEnd(instance);
    return ui::runProgram(instance, frontEnd);
}
