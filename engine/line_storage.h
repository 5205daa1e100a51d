// Remembering the warning lines between runs: the per-user key first, the
// model file's "WARNING" section otherwise.
#pragma once

#include <cstdint>

// Loads the seven lines into warningLines; returns recomputeLineEnds().
std::int32_t loadLines();
// Stores the seven lines of warningLines.
void saveLines();
