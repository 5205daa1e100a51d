// Choosing a model from the model file and checking its section before a
// command works with it. Each function that can fail prints its message to
// standard error and returns the exit status; kExitOk when all is well.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/model_list.h"

struct ModelSection {
    std::string name;    // the section's name, as the model list gives it
    std::string orgPath; // the pristine copy
    std::string rgnPath; // the working file
    std::uint32_t crc = 0;
    std::int32_t lang = 0;
};


// The model list, after making sure that the model file is there and lists
// models; otherwise says so, naming the path looked for.
int readUsableModelList(std::vector<std::string>& models);

// Turns MODEL, a list number or a section name, into the model's section
// name and checks the section: org= and rgn= given, crc= a CRC-32 in
// hexadecimal, lang= a number from 1 to 14. Every fault is named.
int chooseModel(const std::string& model, ModelSection& section);

// Prints "wendrix-cli: <reason>" and the hint to --help; returns kExitUsage.
int usageError(const std::string& reason);
// Prints "wendrix-cli: <reason>"; returns kExitFailed.
int commandError(const std::string& reason);
