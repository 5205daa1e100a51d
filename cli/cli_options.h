// The command line of wendrix-cli.
#pragma once

#include <string>
#include <vector>

enum class CliCommand { Help, Version, Models, Lines, Patch, Check, Suggest, Inspect, Restore, Update, Add };

struct CliOptions {
    CliCommand command = CliCommand::Help;
    std::string model;              // patch, check, suggest, restore: list number or section name
    std::string file;               // inspect, add: the firmware file
    std::string name;               // add: the model's name (empty: the file's)
    std::vector<std::string> lines; // patch, check: --line texts, in order (UTF-8, or 8-bit text)
    std::vector<std::string> text;  // suggest: the owner's text, word by word or in pieces (the same)
    bool startUpdater = false;      // answer OK to the question about UPDATER.EXE
    bool force = false;             // allow seven empty lines; start UPDATER.EXE even when texts
                                    // were not all replaced
    bool show = false;              // check: print each new text as the receiver shows it
    bool searchUpdates = false;     // answer Yes to the question after an unreadable file
    bool json = false;              // check, suggest, inspect: one JSON object on standard output
    bool nearest = false;           // patch, check, suggest: characters Windows-1252 lacks become
                                    // the nearest ones it holds
    int lang = 14;                  // inspect: how many texts of the table to locate
    std::string iniSection;         // inspect: print a model-file section of this name
    std::string updateUrl;          // empty: the built-in update URL
};

// Fills `options` from the arguments. On bad usage returns false and puts a
// one-line reason into `error`.
bool parseOptions(int argc, const char* const* argv, CliOptions& options, std::string& error);

// The text printed for --help.
const char* usageText();
