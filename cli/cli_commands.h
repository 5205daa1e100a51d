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
int runAddCommand(const CliOptions& options);
// check, inspect and restore: check_commands.cpp.
int runCheckCommand(const CliOptions& options);
int runSuggestCommand(const CliOptions& options);
int runInspectCommand(const CliOptions& options);
int runRestoreCommand(const CliOptions& options);

// Puts the lines of patch and check into warningLines: the --line texts, or
// else the stored lines. Refuses (kExitUsage) when no lines are given and
// none are stored, or the store cannot be read.
int chooseLines(const CliOptions& options);

struct LineCheck;
struct LineFault;
// Checks a line as typed on the terminal (UTF-8 on POSIX, 8-bit text on
// Windows), and names its fault in words, the character shown when it can be.
LineCheck checkTerminalLine(const std::string& text);
std::string describeTerminalFault(int number, const LineFault& fault);
// The fault of a text that is held to the rules of a line but for its
// length (a model's name, words to arrange), named as `what` ("the name");
// empty when it has none.
std::string describeTextFault(const std::string& text, const std::string& what);
