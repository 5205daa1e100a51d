// The dialog's "Check lines" command: what OK would make of the lines as
// typed, before anything is written. The same plan as the patch run and
// wendrix-cli check (engine/patch_plan.h): where the run would stop, the
// check says so in the run's words; otherwise it judges every language in
// the words of wendrix-cli check, and adds the best arrangement of the
// words as wendrix-cli suggest finds it.
#pragma once

#include <string>

#include "ui/dialog_window.h"

namespace ui {

// The text of the box for model list position `index` (0 or less: none).
// Reads the model file and the firmware; writes nothing, not even the log.
std::string checkLinesReport(int index);

// Shows that text in an information box owned by the dialog, or "Select a
// GPS model first" when no model is chosen.
void runCheckLines(DialogWindow& window);

} // namespace ui
