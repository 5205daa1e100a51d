#include "ui/dialog_update_host.h"

#include "ui/main_dialog.h"

namespace ui {

platform::WindowHandle DialogUpdateHost::dialogWindow()
{
    return window_.handle();
}

platform::WindowHandle DialogUpdateHost::statusWindow()
{
    return window_.itemHandle(IdStatus);
}

void DialogUpdateHost::setStatusLine(const char* text)
{
    window_.setItemText(IdStatus, text);
}

const char* DialogUpdateHost::statusText()
{
    return ::statusText;
}

void DialogUpdateHost::armModelListTimer()
{
    window_.armTimer(kModelListTimer, kModelListDelayMs);
}

} // namespace ui
