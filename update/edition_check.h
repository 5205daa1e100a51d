// What a downloaded edition of the model file may name as firmware files.
#pragma once

#include <cstdint>
#include <string>

// Reads the edition in `file` (`fileSize` bytes) with the profile
// functions, as every later read of the model file will, and returns the
// warning that refuses it; empty when it may replace the model file.
//
// Every section, and so every model section that a "Gps-%d" key names, must
// give "org" and "rgn" as plain relative names (no root, drive, colon or ".."
// part, no control character, not empty when present), and not the same one;
// no section's "rgn" may be another section's "org".
// It must carry no "WARNING" section, list at most 999 models, and list at
// least one complete model: "org", "rgn", a hexadecimal "crc" and "lang"
// from 1 to 14.
std::string editionRefusal(const char* file, std::uint32_t fileSize);
