// The dialog logic's window interface on a Win32 dialog: every operation is
// the one Win32 call it stands for.
#pragma once

#include <windows.h>

#include "ui/dialog_window.h"

namespace ui::win32 {

// Set on a dialog while it waits for another program: its cursor is busy.
inline constexpr char kBusyProperty[] = "WendrixBusy";

class Win32DialogWindow final : public DialogWindow {
public:
    explicit Win32DialogWindow(HWND window) : window_(window) {}

    platform::WindowHandle handle() override;
    platform::WindowHandle itemHandle(int id) override;
    void setItemText(int id, const char* text) override;
    void getItemText(int id, char* out, int size) override;
    std::string editText(int id) override;
    void replaceEditText(int id, const std::string& text) override;
    void limitEditText(int id, int characters) override;
    void setItemUnicodeText(int id, const std::string& text) override;
    void enableItem(int id, bool enabled) override;
    void hideItem(int id) override;
    void focusItem(int id) override;
    void setCaption(const char* text) override;
    void setItemLink(int id, const char* text, bool link) override;
    void showBusy(bool busy) override;
    void listReset(int id) override;
    void listAppend(int id, const char* text) override;
    void listSelect(int id, int index) override;
    int listSelection(int id) override;
    void setItemPicture(int id, void* picture) override;
    void setIcons(void* icon) override;
    void setItemFont(int id, void* font) override;
    void trimWindowMenu() override;
    void insertWindowMenuItem(const char* text, int command) override;
    void armTimer(int timerId, unsigned milliseconds) override;
    void cancelTimer(int timerId) override;
    void endDialog(int result) override;
    void runAboutBox() override;
    void runCheckLinesWindow() override;
    bool chooseFile(const char* title, std::string& path) override;
    bool screenSize(int* width, int* height) override;
    bool windowRect(WindowRect* rect) override;
    bool moveWindow(int x, int y) override;

private:
    HWND window_;
};

} // namespace ui::win32
