// The commands of wendrix-cli. Each returns the process's exit status.
#pragma once

#include <string>

#include "cli/cli_options.h"

// Points modelFilePath at the desktop program's model file in this program's
// folder and puts that program's path (the base of the log's name) into
// `programPath`. False, with a reason in `error`, when the path is too long.
bool locateProgramFiles(std::string& programPath, std::string& error);

int runModelsCommand();
int runLinesCommand();
int runPatchCommand(const CliOptions& options);
int runUpdateCommandLine(const CliOptions& options);
