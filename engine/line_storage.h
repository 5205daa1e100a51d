// Remembering the warning lines between runs: the per-user key first, the
// model file's "WARNING" section otherwise.
#pragma once

#include <cstdint>
#include <string>

// Loads the seven lines into warningLines; returns recomputeLineEnds().
std::int32_t loadLines();
// Stores the seven lines of warningLines. False when they did not all reach
// the store that loadLines reads: the next load would not give them back.
bool saveLines();
// Names the store of the lines for a message: the per-user key's file where
// it has one, the key's registry path otherwise.
std::string lineStoreName();
// Whether the store that loadLines reads holds the seven lines whole: false
// when the per-user key exists but cannot be read, lacks a line or holds one
// longer than a line may be. Without the key the model file is the store,
// whose missing keys are empty lines, so that counts as whole.
bool storedLinesReadable();
