#include "ui/about_dialog.h"

#include "config/app_text.h"

namespace ui {

void aboutDialogCreate(DialogWindow& window)
{
    window.setItemText(IdAboutTitle, kAppTitle);
    window.setItemText(IdAboutVersion, kVersionText);
}

bool aboutDialogCommand(DialogWindow& window, int id)
{
    if (id != IdOk && id != IdCancel)
        return false;
    window.endDialog(0);
    return true;
}

} // namespace ui
