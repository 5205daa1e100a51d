// The live fit: once a model is chosen, the line under the status says while
// the owner types how many languages show every line ("12 of 14 languages
// show every line"). The chosen model's firmware is read once per choice
// (the plan's first stage); each keystroke only judges the lines against
// the texts it found (the second stage). "Check lines" reads the firmware
// afresh and works from the same place, so the two never disagree.
#pragma once

#include <string>

#include "engine/patch_plan.h"

namespace ui {

// The chosen model's firmware, as the plan's first stage finds it (without
// its image, which the live fit does not need).
struct ChosenFirmware {
    int index = 0;        // its place in the model list; 0: none chosen
    std::string section;  // its section in the model file
    std::string refusal;  // why OK would stop before writing, "" when it would go on
    FirmwarePlan plan;    // the texts located
};

// Reads model `index`'s firmware (0 or less: forgets the one read before).
// Writes nothing, not even the log.
const ChosenFirmware& chooseFirmware(int index);
// The firmware read last.
const ChosenFirmware& chosenFirmware();

// The plan's second stage for `lines` over the firmware read last (which OK
// would not refuse); reads nothing.
void judgeLines(const WarningLines& lines, LinesPlan& out);

// The live fit's sentence for the lines as they are now: how many languages
// show every line, or the first line of why OK would stop. "" when no model
// is chosen.
std::string liveFitLine();

} // namespace ui
