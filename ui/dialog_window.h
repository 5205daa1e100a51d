// What the dialog logic needs of a window, whatever toolkit draws it. The
// operations mirror the few Win32 calls a dialog procedure makes, so that a
// native front end implements each one with a single call.
#pragma once

#include <string>

#include "platform/platform.h"

namespace ui {

// Control ids of the main dialog (template 400) and the About box (500).
enum ControlId : int {
    IdOk = 1,
    IdCancel = 2,
    IdAboutIcon = 1001,
    IdAboutTitle = 1002,
    IdAboutVersion = 1003,
    IdModelList = 1028,
    IdPage = 1029,
    IdFirstEdit = 1052,   // edits 1052..1058, one per line
    IdFirstPreview = 1059, // previews 1059..1065 over the picture
    IdStatus = 1066,
    // Under the status: how many languages show every line, a link to
    // "Check lines"; or a note on the model file.
    IdFitLine = 1067,
    IdLineNote = 1069,     // under the edits: what a field changed of a text
    IdFirmwareNote = 1068, // beside the status: no listed model's firmware is here
    IdPicture = 2000,
};

// Notification codes that come with a command (Win32 values).
enum Notification : int {
    NotifyNone = 0,
    NotifyListSelChange = 1,   // CBN_SELCHANGE
    NotifyEditChange = 0x0300, // EN_CHANGE
    NotifyLinkActivated = 0x0400, // a link clicked, or Enter or Space on it
    NotifyEditMaxText = 0x0501, // EN_MAXTEXT: typed or pasted text past the edit's limit was refused
};

// Window-menu commands added to the main dialog.
enum MenuCommand : int {
    CmdAbout = 1000,
    CmdUpdate = 1004,
    CmdCheckLines = 1008,
    CmdAddFirmware = 1012,
};

constexpr int kModelListTimer = 1;
constexpr unsigned kModelListDelayMs = 100;

struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // The window itself, owner of its message boxes.
    virtual platform::WindowHandle handle() = 0;
    // A control's own handle, or the window's where the toolkit has none.
    virtual platform::WindowHandle itemHandle(int id) = 0;

    // Setting an edit's text raises its change command before returning.
    virtual void setItemText(int id, const char* text) = 0;
    // Copies at most size - 1 characters and always terminates.
    virtual void getItemText(int id, char* out, int size) = 0;
    // An edit's whole text as UTF-8, every character as it was typed or
    // pasted, also those that Windows-1252 lacks.
    virtual std::string editText(int id) = 0;
    // Puts UTF-8 `text` into an edit, its caret kept at the same distance
    // from the end; raises the change command as setItemText does.
    virtual void replaceEditText(int id, const std::string& text) = 0;
    // The most characters an edit takes from the keyboard or the clipboard.
    virtual void limitEditText(int id, int characters) = 0;
    // A static control's text given as UTF-8, for one that names characters
    // outside the code page.
    virtual void setItemUnicodeText(int id, const std::string& text) = 0;
    virtual void enableItem(int id, bool enabled) = 0;
    virtual void hideItem(int id) = 0;
    // Gives a control the keyboard focus (from creation on, once shown).
    virtual void focusItem(int id) = 0;
    virtual void setCaption(const char* text) = 0;
    // A link control's text; with `link` the whole text is a link whose
    // activation raises the control's command with NotifyLinkActivated.
    virtual void setItemLink(int id, const char* text, bool link) = 0;
    // The busy cursor over the window, while it waits for another program.
    virtual void showBusy(bool busy) = 0;

    // The model list (a combo box).
    virtual void listReset(int id) = 0;
    virtual void listAppend(int id, const char* text) = 0;
    virtual void listSelect(int id, int index) = 0;
    // 0-based index of the selected item; -1 when nothing is selected.
    virtual int listSelection(int id) = 0;

    // Resources made at start-up (picture, icon, font); null means absent.
    virtual void setItemPicture(int id, void* picture) = 0;
    virtual void setIcons(void* icon) = 0;
    virtual void setItemFont(int id, void* font) = 0;

    // Removes Size, Move, Minimize, Maximize and Restore from the window menu.
    virtual void trimWindowMenu() = 0;
    // Inserts a text item at the top of the window menu.
    virtual void insertWindowMenuItem(const char* text, int command) = 0;

    virtual void armTimer(int timerId, unsigned milliseconds) = 0;
    virtual void cancelTimer(int timerId) = 0;
    virtual void endDialog(int result) = 0;

    // Runs the About box modally, without an owner.
    virtual void runAboutBox() = 0;
    // Runs the "Check lines" window modally over this window (ui/check_lines.h).
    virtual void runCheckLinesWindow() = 0;
    // Asks for an existing file with the system's file dialog, titled
    // `title`; false when none was chosen. The current folder stays as it is.
    virtual bool chooseFile(const char* title, std::string& path) = 0;

    // Screen size in pixels; false when it cannot be had.
    virtual bool screenSize(int* width, int* height) = 0;
    // The window's rectangle in screen pixels; false on failure.
    virtual bool windowRect(WindowRect* rect) = 0;
    // Moves the window without resizing it or changing its stacking order.
    virtual bool moveWindow(int x, int y) = 0;
};

} // namespace ui
