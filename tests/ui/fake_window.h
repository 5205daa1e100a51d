// A window for the dialog logic that records what a real one would show and,
// like a Win32 dialog, raises an edit's change command as soon as its text is set.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/cp1252.h"
#include "ui/main_dialog.h"

inline const char* const kDisclaimer[] = {"WARNING",          "Wendrix is a third",      "party program.",
                                          "You assume total", "responsibility and risk", "associated with",
                                          "using this program."};

class FakeWindow : public ui::DialogWindow {
public:
    // `mainDialog`: commands raised by the window go to the main dialog (else nowhere).
    explicit FakeWindow(bool mainDialog = true) : main_(mainDialog)
    {
        for (int i = 0; main_ && i < 7; ++i)
            texts_[ui::IdFirstPreview + i] = kDisclaimer[i];
        texts_[ui::IdAboutTitle] = "Zarnek";
        texts_[ui::IdAboutVersion] = "Version";
    }

    // What the user does; an edit's text is UTF-8.
    void type(int editId, const std::string& value) { texts_[editId] = value; raise(editId, ui::NotifyEditChange); }
    void choose(int index)
    {
        selection = index;
        listEdit_.reset();
        raise(ui::IdModelList, ui::NotifyListSelChange);
    }
    void typeInList(const std::string& value) { listEdit_ = value; selection = -1; }
    void editSilently(int id, const std::string& value) { texts_[id] = value; }
    // The message loop's part: delivers the tick when the timer is armed.
    bool tick()
    {
        const bool armed = timerArmed;
        if (armed)
            ui::mainDialogTimer(*this, ui::kModelListTimer);
        return armed;
    }

    std::string text(int id) const { return texts_.count(id) ? texts_.at(id) : ""; }
    bool enabled(int id) const { return !disabled_.count(id) || !disabled_.at(id); } // template controls start enabled
    bool hidden(int id) const { return hidden_.count(id) != 0; }

    std::vector<std::string> events; // what the logic asked for, e.g. "text 1052 abc"
    std::vector<std::string> statusHistory, list;
    int selection = -1;
    std::string caption;
    std::map<int, void*> pictures, fonts;
    std::map<int, bool> links; // whether the text set last is a link
    std::map<int, int> limits; // the most characters each edit takes
    void* icon = nullptr;
    bool menuTrimmed = false;
    std::vector<std::pair<std::string, int>> menu; // top first
    bool timerArmed = false, ended = false;
    unsigned timerPeriod = 0;
    int result = -1, aboutBoxes = 0;
    int focused = 0; // the control that has the focus
    // For centreWindow on a 1024 x 768 screen.
    ui::WindowRect rect{0, 0, 504, 313};
    int rectFailures = 0, rectCalls = 0; // the next `rectFailures` requests fail
    bool moveFails = false;
    std::vector<std::pair<int, int>> moves;

    platform::WindowHandle handle() override { return this; }
    platform::WindowHandle itemHandle(int id) override { return &handles_[id]; }
    void setItemText(int id, const char* value) override
    {
        // An edit holds Unicode, as a real one does: kept here as UTF-8.
        texts_[id] = isEdit(id) ? platform::cp1252::toUtf8(value) : value;
        events.push_back("text " + std::to_string(id) + " " + value);
        if (id == ui::IdStatus)
            statusHistory.push_back(value);
        if (isEdit(id))
            raise(id, ui::NotifyEditChange);
    }
    void getItemText(int id, char* out, int size) override
    {
        const std::string value = id != ui::IdModelList ? text(id)
                                  : listEdit_           ? *listEdit_
                                  : selection >= 0      ? list.at(selection)
                                                        : "";
        std::snprintf(out, size, "%s", (isEdit(id) ? platform::cp1252::fromUtf8(value) : value).c_str());
    }
    std::string editText(int id) override { return text(id); }
    void replaceEditText(int id, const std::string& value) override
    {
        texts_[id] = value;
        events.push_back("replace " + std::to_string(id) + " " + value);
        raise(id, ui::NotifyEditChange);
    }
    void limitEditText(int id, int characters) override { limits[id] = characters; }
    void setItemUnicodeText(int id, const std::string& value) override
    {
        texts_[id] = value;
        events.push_back("text " + std::to_string(id) + " " + value);
    }
    void enableItem(int id, bool on) override
    {
        disabled_[id] = !on;
        events.push_back((on ? "enable " : "disable ") + std::to_string(id));
    }
    void hideItem(int id) override { hidden_[id] = true; events.push_back("hide " + std::to_string(id)); }
    void focusItem(int id) override { focused = id; events.push_back("focus " + std::to_string(id)); }
    void setCaption(const char* value) override { caption = value; }
    void setItemLink(int id, const char* value, bool isLink) override
    {
        texts_[id] = value;
        links[id] = isLink;
        events.push_back("link " + std::to_string(id) + " " + value);
    }
    void showBusy(bool busy) override { events.push_back(busy ? "busy" : "not busy"); }
    void listReset(int) override { list.clear(); selection = -1; listEdit_.reset(); }
    void listAppend(int, const char* value) override { list.push_back(value); }
    void listSelect(int, int index) override
    {
        selection = index >= 0 && index < int(list.size()) ? index : -1;
        listEdit_.reset();
    }
    int listSelection(int) override { return selection; }
    void setItemPicture(int id, void* picture) override { pictures[id] = picture; }
    void setIcons(void* value) override { icon = value; }
    void setItemFont(int id, void* font) override { fonts[id] = font; events.push_back("font " + std::to_string(id)); }
    void trimWindowMenu() override { menuTrimmed = true; }
    void insertWindowMenuItem(const char* value, int command) override { menu.insert(menu.begin(), {value, command}); }
    void armTimer(int id, unsigned ms) override
    {
        if (id == ui::kModelListTimer) {
            timerArmed = true;
            timerPeriod = ms;
        }
    }
    void cancelTimer(int id) override { timerArmed &= id != ui::kModelListTimer; }
    void endDialog(int value) override { ended = true; result = value; }
    void runAboutBox() override { ++aboutBoxes; }
    // The window's part is the test's: it runs here, over this window.
    std::function<void()> checkLinesWindow;
    int checkLinesWindows = 0;
    void runCheckLinesWindow() override
    {
        ++checkLinesWindows;
        if (checkLinesWindow)
            checkLinesWindow();
    }
    // The file the user picks in the file dialog; none: the dialog is cancelled.
    std::optional<std::string> fileToChoose;
    bool chooseFile(const char* title, std::string& path) override
    {
        events.push_back(std::string("choose file ") + title);
        if (fileToChoose)
            path = *fileToChoose;
        return fileToChoose.has_value();
    }
    bool screenSize(int* width, int* height) override { *width = 1024; *height = 768; return true; }
    bool windowRect(ui::WindowRect* out) override
    {
        ++rectCalls;
        if (rectFailures > 0) {
            --rectFailures;
            return false;
        }
        *out = rect;
        return true;
    }
    bool moveWindow(int x, int y) override
    {
        if (moveFails)
            return false;
        moves.emplace_back(x, y);
        rect = {x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
        return true;
    }

private:
    static bool isEdit(int id) { return id >= ui::IdFirstEdit && id < ui::IdFirstEdit + 7; }
    void raise(int id, int notification)
    {
        if (main_)
            ui::mainDialogCommand(*this, id, notification);
    }
    bool main_;
    std::map<int, std::string> texts_;
    std::map<int, bool> disabled_, hidden_;
    std::map<int, char> handles_;
    std::optional<std::string> listEdit_;
};
