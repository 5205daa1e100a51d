// The commands of wendrix-cli. Each returns the process's exit status.
#pragma once

#include <string>

#include "cli/cli_options.h"
#include "engine/line_check.h"

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

// A line (or a piece of suggest's text) as typed on the command line: UTF-8,
// or 8-bit text where it is not UTF-8; wendrix-cli.exe takes its lines from
// the Unicode command line. With `nearest`, characters that Windows-1252
// lacks become the nearest ones it holds. A refusal names line `number` and,
// for such a character, offers the nearest line.
struct TypedLine {
    std::u32string characters; // as typed, or with the nearest characters
    LineCheck check;
    std::string refusal; // why the check refused it, in words
    std::string note;    // what --nearest made of it; "" when nothing
};
TypedLine takeTypedLine(const std::string& text, int number, bool nearest);
// Words about line 1 said of another text: each "line 1" becomes `what`.
std::string namedAs(std::string words, const std::string& what);
// The fault of a text that is held to the rules of a line but for its
// length (a model's name), named as `what` ("the name"); empty when it has
// none.
std::string describeTextFault(const std::string& text, const std::string& what);
