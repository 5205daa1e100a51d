// The command line of wendrix-cli.
#pragma once

#include <string>
#include <vector>

enum class CliCommand { Help, Models, Lines, Patch, Update };

struct CliOptions {
    CliCommand command = CliCommand::Help;
    std::string model;              // patch: list number or section name
    std::vector<std::string> lines; // patch: --line texts, in order
    bool startUpdater = false;      // answer OK to the question about UPDATER.EXE
    bool searchUpdates = false;     // answer Yes to the question after an unreadable file
    std::string updateUrl;          // empty: the built-in update URL
};

// Fills `options` from the arguments. On bad usage returns false and puts a
// one-line reason into `error`.
bool parseOptions(int argc, const char* const* argv, CliOptions& options, std::string& error);

// The text printed for --help.
const char* usageText();
