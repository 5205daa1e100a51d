// "Check lines": what OK would make of the lines as typed, before anything
// is written, in a window of its own, from the same plan as the patch run
// (engine/patch_plan.h): where the run would stop, the window says so in the
// run's words. One row per language: its name, a
// fits / does not fit mark, its text as the receiver will show it, and for
// a language that does not fit the one change that makes it fit. Languages
// whose text no lines can fill keep their own warning and come last. When
// the same words arranged otherwise suit more languages, the window shows
// that arrangement; "Use these lines" puts it into the seven fields and
// "Back to my lines" puts back what the owner had typed.
//
// The logic is here; each front end only shows a CheckLinesView and hands
// the buttons back (the Win32 program from a dialog resource with a list
// view, the Qt program from widgets).
#pragma once

#include <string>
#include <vector>

#include "ui/dialog_window.h"

namespace ui {

// Controls of the window (template 600). Close has the id of OK, and
// Escape and the close box arrive as Cancel: each closes the window.
enum CheckLinesId : int {
    IdCheckHeading = 1100,  // the model and how many languages show every line
    IdCheckTable = 1101,    // one row per language
    IdCheckArrangedNote = 1102, // what a better arrangement does
    IdCheckArranged = 1103,     // its lines
    IdUseLines = 1104,
    IdBackToMyLines = 1105,
};

enum class FitMark { Fits, DoesNotFit, OwnWarning, NotFound };

struct CheckRow {
    std::string language; // as the firmware names it, Windows-1252
    FitMark mark = FitMark::DoesNotFit;
    std::string markText; // the mark in words
    // The text as the receiver will show it, line by line, each line with
    // the spaces that centre it; empty when it shows its own warning, and
    // `shownNote` says so.
    std::vector<std::string> shown;
    std::string shownNote;
    std::string change; // what to change so that it fits, or why nothing can
};

// The column headings of the table.
inline constexpr const char* kCheckColumns[] = {"Language", "Fits", "As the receiver shows it",
                                                "What to change"};

struct CheckLinesView {
    std::string heading; // or, where OK would stop, why
    std::vector<CheckRow> rows;
    std::string arrangedNote;           // about the arrangement, "" when there is nothing to say
    std::vector<std::string> arranged;  // its lines, when it is offered
    bool canUse = false;                // "Use these lines"
    bool canGoBack = false;             // "Back to my lines"
};

// The window as the logic sees it.
class CheckLinesWindow {
public:
    virtual ~CheckLinesWindow() = default;
    // Shows the view, in place of what the window showed before.
    virtual void show(const CheckLinesView& view) = 0;
    // Ends the window.
    virtual void close() = 0;
};

// What the window shows for the model at list position `index` (0 or less:
// none) and the lines as they are now. Reads the model file and the
// firmware; writes nothing, not even the log.
CheckLinesView checkLinesView(int index);

// "Check lines" from the menus or the fit line: opens the window over the
// main dialog, or says "Select a GPS model first" when no model is chosen.
void runCheckLines(DialogWindow& main);

// The window's handlers; `main` is the main dialog whose fields the
// buttons fill.
void checkLinesCreate(CheckLinesWindow& window, DialogWindow& main);
// True when the command was one of the window's.
bool checkLinesCommand(CheckLinesWindow& window, DialogWindow& main, int id);

// The owner changed a line by hand: "Back to my lines" has nothing left to
// go back to. The window's own filling of the fields does not count.
void linesEditedByOwner();

} // namespace ui
