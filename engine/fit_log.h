// The fitting pass as the run log and the owner see it: the "--- Lines ---"
// and "--- Result ---" blocks, and the summary of the languages that do not
// show the lines. It sits above the rule (engine/fitting.h) and its judgement
// (engine/fit_advice.h), which know nothing of logs or message boxes.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct FirmwareImage;
struct FitResult;
struct FitVerdicts;
struct LanguageTable;
struct WarningLines;

// Logs the fitting pass that gave `result` and `verdicts` for `lines` over
// `table`'s texts, and shows "%d of %d languages not processed..." with each
// such language's reason when any does not fit, as the patch run does.
void reportFitPass(platform::WindowHandle owner, const WarningLines& lines, const LanguageTable& table,
                   const FitResult& result, const FitVerdicts& verdicts);

// The whole fitting pass on the process-wide lines and table: works out the
// fit, replaces every located text of the first `langCount` entries in
// `image` with the lines padded to the text's exact length, and reports it
// (reportFitPass). Returns 1. When `outcome` is given it receives the
// outcome of every entry.
int fitAndReplace(platform::WindowHandle owner, FirmwareImage& image, std::int32_t langCount,
                  FitResult* outcome = nullptr);
