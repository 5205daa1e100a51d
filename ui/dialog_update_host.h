// Lets the Update command drive the main dialog: its status line, its
// status text and the timer that refills the model list.
#pragma once

#include "ui/dialog_window.h"
#include "update/model_update.h"

namespace ui {

class DialogUpdateHost : public UpdateHost {
public:
    explicit DialogUpdateHost(DialogWindow& window) : window_(window) {}

    platform::WindowHandle dialogWindow() override;
    platform::WindowHandle statusWindow() override;
    void setStatusLine(const char* text) override;
    const char* statusText() override;
    void armModelListTimer() override;

private:
    DialogWindow& window_;
};

} // namespace ui
