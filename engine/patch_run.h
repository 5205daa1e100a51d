// The patch run behind the OK button.
#pragma once

#include <cstdint>
#include <string>

#include "engine/fit_advice.h"
#include "platform/platform.h"

// What one run did, for a caller that tells the user more than the messages
// do. Filled as the run goes, so a message-box handler may look at the parts
// already done (the fitting outcome is there before the question about the
// uploader is asked).
struct PatchRunReport {
    enum class Updater { NotAsked, Declined, NotStarted, Ended };

    bool fitted = false;          // the texts were located and fitted
    std::int32_t located = 0;     // how many the location pass found
    FitResult fit;                // the fitting outcome, when fitted
    FitVerdicts verdicts;         // each language judged, when fitted
    // Languages not replaced or that lost a line of text, less those that
    // keep the receiver's own warning (no lines could change them).
    int notFitting = 0;
    bool pristineWritten = false; // the working file's bytes became the pristine copy
    std::string pristineKeptAs;   // what had the pristine copy's name was kept under this name
    bool workingWritten = false;  // the patched image was written to the working file
    bool linesLost = false;       // the lines did not reach the store the next run reads
    std::string linesLostWhy;     // why, when they did not
    Updater updater = Updater::NotAsked;
    int updaterStatus = -1;       // the uploader's exit status when it ended (-1: abnormally)
};

// Patches the firmware of the model whose section is `section`; 1 when the
// working file was written, 0 otherwise. `owner` owns the message boxes and
// receives the Update command (window-menu command 1004). `report`, when
// given, receives what the run did. With `reportOnlyAfterUpdater` (the
// command line) "report.html" is opened only when the uploader was started.
int PatchRun(platform::WindowHandle owner, const char* section, PatchRunReport* report = nullptr,
             bool reportOnlyAfterUpdater = false);

// Starts `program` with its first window at (200, 20). Returns the process,
// or 0 after telling the user that it could not be started.
platform::ProcessHandle launchUpdater(platform::WindowHandle owner, const char* program);
