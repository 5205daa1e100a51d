// The outcome of the fitting rule as wendrix-cli shows it: one row per
// requested text with a reason the user can act on, plain or as JSON. check
// and suggest print it before anything is written; patch prints it after its run.
#pragma once

#include <string>

#include "engine/fit_advice.h"

// Each takes the texts' fitting outcome and their verdicts, as a patch plan
// (engine/patch_plan.h) or a patch run's report holds them.

// One row per entry of `fit` ("number, name, length, outcome"), the closing
// count ("12 of 14 languages show every line"), then a line for each
// language that keeps the receiver's own warning, as no lines could change
// it. A language fits when its text is replaced and every line with text is
// shown. Terminal text, each row ended by a line feed.
std::string fitTable(const LanguageTable& table, const FitResult& fit, const FitVerdicts& verdicts);

// The "languages" array of check's JSON object: per text its outcome,
// whether any lines could replace it (`replaceable`), the reason and the
// machine-readable `advice` when it does not fit, and the exact `text`
// (UTF-8) that replaces it.
std::string fitJsonLanguages(const LanguageTable& table, const FitResult& fit, const FitVerdicts& verdicts);

// Each replaced text as the receiver shows it: its lines, one block per
// language, headed by the language's number and name.
std::string shownTexts(const LanguageTable& table, const FitResult& fit);
