#include "ui/about_dialog.h"

#include "config/app_text.h"
#include "ui/centre_window.h"

namespace ui {

void aboutDialogCreate(DialogWindow& window, DialogWindow* over)
{
    window.setItemText(IdAboutTitle, kAppTitle);
    window.setItemText(IdAboutVersion, kVersionText);
    centreWindow(window, over);
}

bool aboutDialogCommand(DialogWindow& window, int id)
{
    if (id != IdOk && id != IdCancel)
        return false;
    window.endDialog(0);
    return true;
}

} // namespace ui
