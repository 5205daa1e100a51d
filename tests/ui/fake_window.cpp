#include "tests/ui/fake_window.h"

#include <cstring>

#include "ui/main_dialog.h"

using namespace ui;

FakeWindow::FakeWindow(bool mainDialog) : mainDialog_(mainDialog)
{
    if (mainDialog_) {
        // The template's texts.
        const char* disclaimer[] = {"WARNING",          "Wendrix is a third",      "party program.",
                                    "You assume total", "responsibility and risk", "associated with",
                                    "using this program."};
        for (int i = 0; i < 7; ++i)
            texts_[IdFirstPreview + i] = disclaimer[i];
        texts_[IdPage] = "Page";
    } else {
        texts_[IdAboutTitle] = "Zarnek";
        texts_[IdAboutVersion] = "Version";
    }
}

void FakeWindow::type(int editId, const std::string& value)
{
    texts_[editId] = value;
    if (mainDialog_)
        mainDialogCommand(*this, editId, NotifyEditChange);
}

void FakeWindow::choose(int index)
{
    selection = index;
    listEdited_ = false;
    if (mainDialog_)
        mainDialogCommand(*this, IdModelList, NotifyListSelChange);
}

void FakeWindow::typeInList(const std::string& value)
{
    listEdit_ = value;
    listEdited_ = true;
    selection = -1;
}

std::string FakeWindow::text(int id) const
{
    auto found = texts_.find(id);
    return found == texts_.end() ? std::string() : found->second;
}

bool FakeWindow::enabled(int id) const
{
    auto found = enabled_.find(id);
    return found == enabled_.end() ? true : found->second; // template controls start enabled
}

platform::WindowHandle FakeWindow::itemHandle(int id)
{
    return &handles_[id];
}

void FakeWindow::setItemText(int id, const char* value)
{
    texts_[id] = value;
    events.push_back("text " + std::to_string(id) + " " + value);
    if (id == IdStatus)
        statusHistory.push_back(value);
    if (mainDialog_ && id >= IdFirstEdit && id < IdFirstEdit + 7)
        mainDialogCommand(*this, id, NotifyEditChange);
}

void FakeWindow::getItemText(int id, char* out, int size)
{
    std::string value = text(id);
    if (id == IdModelList)
        value = listEdited_ ? listEdit_ : (selection >= 0 ? list.at(selection) : "");
    if (size <= 0)
        return;
    const std::size_t n = std::min(value.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
}

void FakeWindow::enableItem(int id, bool on)
{
    enabled_[id] = on;
    events.push_back((on ? "enable " : "disable ") + std::to_string(id));
}

void FakeWindow::hideItem(int id)
{
    hidden_[id] = 1;
    events.push_back("hide " + std::to_string(id));
}

void FakeWindow::setCaption(const char* value)
{
    caption = value;
}

void FakeWindow::listReset(int)
{
    list.clear();
    selection = -1;
    listEdited_ = false;
}

void FakeWindow::listAppend(int, const char* value)
{
    list.push_back(value);
}

void FakeWindow::listSelect(int, int index)
{
    selection = index >= 0 && index < static_cast<int>(list.size()) ? index : -1;
    listEdited_ = false;
}

int FakeWindow::listSelection(int)
{
    return selection;
}

void FakeWindow::setItemPicture(int id, void* picture)
{
    pictures[id] = picture;
}

void FakeWindow::setIcons(void* value)
{
    icon = value;
}

void FakeWindow::setItemFont(int id, void* font)
{
    fonts[id] = font;
    events.push_back("font " + std::to_string(id));
}

void FakeWindow::trimWindowMenu()
{
    menuTrimmed = true;
}

void FakeWindow::insertWindowMenuItem(const char* value, int command)
{
    menu.insert(menu.begin(), {value, command});
}

void FakeWindow::armTimer(int timerId, unsigned milliseconds)
{
    if (timerId != kModelListTimer)
        return;
    timerArmed = true;
    timerPeriod = milliseconds;
    ++timerArms;
}

void FakeWindow::cancelTimer(int timerId)
{
    if (timerId == kModelListTimer)
        timerArmed = false;
}

void FakeWindow::endDialog(int value)
{
    ended = true;
    result = value;
}

void FakeWindow::runAboutBox()
{
    ++aboutBoxes;
}

bool FakeWindow::screenSize(int* width, int* height)
{
    *width = screenWidth;
    *height = screenHeight;
    return true;
}

bool FakeWindow::windowRect(WindowRect* out)
{
    ++rectCalls;
    if (rectFailures > 0) {
        --rectFailures;
        return false;
    }
    *out = rect;
    return true;
}

bool FakeWindow::moveWindow(int x, int y)
{
    if (moveFails)
        return false;
    moves.emplace_back(x, y);
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    rect = {x, y, x + w, y + h};
    return true;
}

bool FakeWindow::tick()
{
    if (!timerArmed)
        return false;
    mainDialogTimer(*this, kModelListTimer);
    return true;
}
