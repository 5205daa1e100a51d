// Rewriting the located texts with the user's lines.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct FirmwareImage;

// Replaces every located text of the first `langCount` table entries with the
// warning lines, padded to the text's exact length; logs the "--- Lines ---"
// and "--- Result ---" blocks and reports texts it could not fit. Returns 1.
int fitAndReplace(platform::WindowHandle owner, FirmwareImage& image, std::int32_t langCount);
