// A dialog built from a template whose controls are found by their ids, and
// the window operations the dialog logic calls, carried out on Qt widgets.
#pragma once

#include <QDialog>
#include <QHash>
#include <QMenu>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "ui/dialog_window.h"
#include "ui/qt/dialog_template.h"

class QLabel;
class QLineEdit;

namespace ui::qt {

class QtDialog : public QDialog, public DialogWindow {
public:
    QtDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~QtDialog() override;

    // The control with `id`, or null.
    QWidget* item(int id) const;
    // The window menu (built by the dialog logic; empty for the About box).
    QMenu* windowMenu() { return &windowMenu_; }
    // Runs the window menu at `globalPos` until it closes, then the command
    // chosen in it.
    void openWindowMenu(const QPoint& globalPos);
    // Whether `handle` is this dialog or one of its controls.
    bool ownsHandle(platform::WindowHandle handle) const;

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

protected:
    // What the dialog procedure does with each event.
    virtual void command(int id, int notification) = 0;
    virtual void sysCommand(int command) = 0;
    virtual void timer(int /*timerId*/) {}

    // Escape and the close box arrive as the Cancel command.
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void build(const DialogTemplate& dialogTemplate);
    // A label's text; the status and the note stay on one line, cut with "...".
    void setLabelText(QLabel* label, int id, const QString& value);
    void addWindowMenuToContextMenu(QLineEdit* edit);
    // Runs `menu` until it closes and returns the window-menu command chosen
    // in it (0 for none or another item).
    int runMenu(QMenu& menu, const QPoint& globalPos);
    // A window-menu command: one of the dialog logic's, or Close.
    void runWindowCommand(int commandId);

    // While a menu runs, its commands wait for it to return.
    bool menuRunning_ = false;

    QHash<int, QWidget*> items_;
    QMenu windowMenu_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

// The main dialog (template 400), run by start-up.
class MainDialogQt : public QtDialog {
public:
    explicit MainDialogQt(std::int32_t parameter);
    ~MainDialogQt() override;

protected:
    void command(int id, int notification) override;
    void sysCommand(int command) override;
    void timer(int timerId) override;

private:
    // The preview fields over the picture's frame, by its pixels.
    void placePreviewsOnPicture();
    // Runs the platform's wait for a process with the window painted.
    int waitPainted(const std::function<int()>& wait);
};

// The About box (template 500), centred over `over` (the screen when null).
class AboutDialogQt : public QtDialog {
public:
    explicit AboutDialogQt(QtDialog* over = nullptr);

protected:
    void command(int id, int notification) override;
    void sysCommand(int) override {}
};

// Runs `dialog` until it ends, in a loop of its own that leaves every
// other window working (a dialog without an owner); returns its result.
int runWithoutOwner(QDialog& dialog);

} // namespace ui::qt
