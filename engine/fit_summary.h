// The fit of a set of lines in a few words for the owner: how many languages
// show every line, and which keep the receiver's own warning because their
// text is longer than any lines can fill. Such a language does not count
// against the owner's lines: no text of theirs could change it.
#pragma once

#include <string>

#include "engine/fit_advice.h"

// Whether the language keeps the receiver's own warning whatever the lines:
// its text is longer than seven lines can fill (kMostFillable).
bool keepsOwnWarning(const LanguageFit& fit);

// The verdicts counted for the owner.
struct FitCount {
    int languages = 0;  // texts judged
    int ownWarning = 0; // of them, those that keep their own warning
    int canTake = 0;    // the others
    int showing = 0;    // of those, the ones that show every line

    // Languages that could show the lines and do not: what counts against them.
    int notShowing() const { return canTake - showing; }
};
FitCount countFit(const FitVerdicts& verdicts);

// "All 14 languages show every line", "12 of 14 languages show every line",
// and with languages that keep their own warning "13 of 13 languages that
// can take a text show every line (1 keeps its own warning)".
std::string fitCountLine(const FitVerdicts& verdicts);

// "Suomi keeps the receiver's own warning: its text has 358 characters, and
// seven lines fill at most 342." `name` as the language table has it
// (Windows-1252).
std::string ownWarningLine(const char* name, const LanguageFit& fit);

// What the patch run's summary says of a language that does not show every
// line: "Deutsch: written, but line 5 left out: ..." for a text written
// without some of its lines, ownWarningLine for one that keeps its own
// warning, "Deutsch: " and the reason otherwise.
std::string summaryLine(const char* name, const LanguageFit& fit);
