// The model file: an INI file beside the executable.
#pragma once

#include <cstdint>
#include <string_view>

// Full path of the model file; set at start-up.
extern char modelFilePath[260];

// Derives modelFilePath from the executable's path (last four characters
// replaced by ".ini").
void deriveModelFilePath();

// Reads a value with a default, cut to `size` - 1 characters.
std::uint32_t readModelValue(const char* section, const char* key, const char* def,
                             char* out, std::uint32_t size);
// Writes a value; false when the file could not be written.
bool writeModelValue(const char* section, const char* key, const char* value);
// Drops any cached copy of the file so that the next read comes from disk.
void dropModelFileCache();

// Whether two section names are one: the file matches them without regard
// to letter case.
bool sameModelName(std::string_view a, std::string_view b);

// The number rules for "crc" (hexadecimal) and "lang" (decimal).
std::uint32_t parseHexNumber(const char* text);
std::uint32_t parseDecimalNumber(const char* text);
