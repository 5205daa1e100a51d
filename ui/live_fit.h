// The live fit: once a model is chosen, the line under the status says while
// the owner types how many languages show every line ("12 of 14 languages
// show every line"). The chosen model's firmware is read once per choice
// (the plan's first stage); each keystroke only judges the lines against
// the texts it found (the second stage). "Check lines" reads the firmware
// afresh and works from the same place, so the two never disagree.
#pragma once

#include <string>

#include "engine/fitting.h"
#include "engine/fit_advice.h"
#include "engine/language_table.h"

struct WarningLines;

namespace ui {

// What the chosen model's firmware and a set of lines come to.
struct LinesJudged {
    FitResult fit;        // per text: replaced, and the replacement as the receiver shows it
    FitVerdicts verdicts; // per text: whether it shows every line, and if not what to change
};

// The chosen model's firmware, as the plan's first stage finds it.
struct ChosenFirmware {
    int index = 0;        // its place in the model list; 0: none chosen
    std::string section;  // its section in the model file
    std::string refusal;  // why OK would stop before writing, "" when it would go on
    LanguageTable table{}; // the texts located (names and lengths)
    std::int32_t count = 0; // the texts searched
};

// Reads model `index`'s firmware (0 or less: forgets the one read before).
// Writes nothing, not even the log.
const ChosenFirmware& chooseFirmware(int index);
// The firmware read last.
const ChosenFirmware& chosenFirmware();

// Judges `lines` against the firmware read last; reads nothing.
void judgeLines(const WarningLines& lines, LinesJudged& out);

// The live fit's sentence for the lines as they are now: how many languages
// show every line, or the first line of why OK would stop. "" when no model
// is chosen.
std::string liveFitLine();

} // namespace ui
