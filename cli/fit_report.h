// The outcome of the fitting rule as wendrix-cli shows it: one row per
// requested text with a reason the user can act on, plain or as JSON. check
// prints it before anything is written; patch prints it after its run.
#pragma once

#include <string>

#include "engine/fitting.h"

struct WarningLines;

// One row per entry of `fit` ("number, name, length, outcome") and the
// closing count, "12 of 14 languages fit". Terminal text, each row ended by
// a line feed.
std::string fitTable(const LanguageTable& table, const FitResult& fit, const WarningLines& lines);

// The "languages" array of check's JSON object.
std::string fitJsonLanguages(const LanguageTable& table, const FitResult& fit, const WarningLines& lines);
