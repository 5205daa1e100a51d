// A window for the dialog logic that keeps what a real one would show and
// behaves as a Win32 dialog does where the logic relies on it: setting an
// edit's text raises its change command at once.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/dialog_window.h"

class FakeWindow : public ui::DialogWindow {
public:
    // `mainDialog`: commands raised by the window go to the main dialog's
    // handler (otherwise nowhere).
    explicit FakeWindow(bool mainDialog = true);

    // What the user does.
    void type(int editId, const std::string& text); // replaces the edit's text
    void choose(int index);                          // picks a list item
    void typeInList(const std::string& text);        // text that names no item
    void editSilently(int id, const std::string& text) { texts_[id] = text; }

    std::string text(int id) const;
    bool enabled(int id) const;
    bool hidden(int id) const { return hidden_.count(id) != 0; }

    // Everything the logic asked for, in order, e.g. "text 1052 abc".
    std::vector<std::string> events;
    std::vector<std::string> statusHistory; // every text put into 1066
    std::vector<std::string> list;
    int selection = -1;
    std::string caption;
    std::map<int, void*> pictures;
    std::map<int, void*> fonts;
    void* icon = nullptr;
    bool menuTrimmed = false;
    std::vector<std::pair<std::string, int>> menu; // top first
    bool timerArmed = false;
    unsigned timerPeriod = 0;
    int timerArms = 0;
    bool ended = false;
    int result = -1;
    int aboutBoxes = 0;

    // Screen and rectangle for centreWindow.
    int screenWidth = 1024;
    int screenHeight = 768;
    ui::WindowRect rect{0, 0, 504, 313};
    int rectFailures = 0; // the next this many rectangle requests fail
    int rectCalls = 0;
    bool moveFails = false;
    std::vector<std::pair<int, int>> moves;

    platform::WindowHandle handle() override { return this; }
    platform::WindowHandle itemHandle(int id) override;
    void setItemText(int id, const char* text) override;
    void getItemText(int id, char* out, int size) override;
    void enableItem(int id, bool enabled) override;
    void hideItem(int id) override;
    void setCaption(const char* text) override;
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
    bool screenSize(int* width, int* height) override;
    bool windowRect(ui::WindowRect* rect) override;
    bool moveWindow(int x, int y) override;

    // Delivers the timer tick when the timer is armed (the message loop's part).
    bool tick();

private:
    bool mainDialog_;
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    std::map<int, char> handles_;
    std::map<int, int> hidden_;
    std::string listEdit_;
    bool listEdited_ = false;
};
