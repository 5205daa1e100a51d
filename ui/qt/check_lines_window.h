// The "Check lines" window of the Qt program: a table with one row per
// language, the text as the receiver shows it in a fixed-width font, and
// the arrangement that suits more languages with its two buttons.
#pragma once

#include <QDialog>

#include "ui/check_lines.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ui::qt {

class QtDialog;

class CheckLinesDialogQt : public QDialog, public CheckLinesWindow {
public:
    // Over the main dialog `main`, whose fields the buttons fill.
    explicit CheckLinesDialogQt(QtDialog& main);

    void show(const CheckLinesView& view) override;
    void close() override { done(0); }

    QTableWidget* table() const { return table_; }
    QLabel* heading() const { return heading_; }
    QLabel* arranged() const { return arranged_; }
    QLabel* arrangedNote() const { return arrangedNote_; }
    QPushButton* button(int id) const;

protected:
    // Escape and the close box arrive as Cancel.
    void reject() override;

private:
    void command(int id);

    QtDialog& main_;
    QLabel* heading_;
    QTableWidget* table_;
    QLabel* arrangedNote_;
    QLabel* arranged_;
    QPushButton* use_;
    QPushButton* back_;
    QPushButton* close_;
};

} // namespace ui::qt
