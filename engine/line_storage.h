// Remembering the warning lines between runs: the per-user key first, the
// model file's "WARNING" section otherwise.
#pragma once

#include <string>

#include "engine/line_check.h"

// The seven lines as the store holds them, each with the line check's
// verdict. A line that cannot be read is empty.
struct StoredLines {
    std::string texts[7]; // Windows-1252, as stored (a registry value of at most 255 characters)
    LineCheck checks[7];
    // The first line the check refuses (0-based), or -1 when it takes all.
    int firstRefused() const;
};

// Reads the seven lines from the store (the per-user key, else the model
// file's "WARNING" section) and checks each. Changes nothing.
StoredLines loadLines();
// Stores the seven lines of warningLines. False when they did not all reach
// the store that loadLines reads: the next load would not give them back.
bool saveLines();
// Names the store of the lines for a message: the per-user key's file where
// it has one, the key's registry path otherwise.
std::string lineStoreName();
// Whether the store that loadLines reads holds the seven lines whole: false
// when the per-user key exists but cannot be read, lacks a line or holds one
// that cannot be read (over 255 characters). Without the key the model file is the store,
// whose missing keys are empty lines, so that counts as whole.
bool storedLinesReadable();
