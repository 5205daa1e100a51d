// What a dialog would show or do, done on the console: message boxes become
// text on standard error, and window-menu command 1004 runs the Update command.
#pragma once

#include <string>

#include "update/model_update.h"

// The Update command's window, for a program without one: the status line is
// printed to standard error and the model-list timer has nothing to refill.
class ConsoleHost : public UpdateHost {
public:
    platform::WindowHandle dialogWindow() override { return nullptr; }
    platform::WindowHandle statusWindow() override { return nullptr; }
    void setStatusLine(const char* text) override;
    const char* statusText() override { return ""; }
    void armModelListTimer() override {}
};

struct PatchRunReport;

struct ConsoleAnswers {
    bool okToStartUpdater = false; // the OK/Cancel question
    bool force = false;            // OK even when the run left texts not replaced
    bool yesToSearch = false;      // the Yes/No question
    std::string updateUrl;         // empty: the built-in URL
    // The run being answered for: OK is given only when every text of it
    // was replaced, unless `force`.
    const PatchRunReport* run = nullptr;
};

// Installs the message-box and window-menu handlers for the rest of the process.
void installConsoleHandlers(const ConsoleAnswers& answers);

// Runs the Update command as the window menu would; 1 when the model file
// was replaced.
int runConsoleUpdate(const std::string& updateUrl);
