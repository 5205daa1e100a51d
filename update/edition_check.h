// What a downloaded edition of the model file may name as firmware files.
#pragma once

#include <string>
#include <string_view>

// Reads the edition in `file`, which holds `body`, with the profile
// functions, as every later read of the model file will, and returns the
// warning that refuses it; empty when it may replace the model file.
//
// Only a whole edition is taken: it ends with a line end, and every model
// it lists (one to 999) has a section with all its keys, "org", "rgn", a
// hexadecimal "crc", "lang" from 1 to 14 and "Rel".
// Every section, and so every model section that a "Gps-%d" key names, must
// give "org" and "rgn" as plain relative names (no root, drive, colon or ".."
// part, no control character, not empty when present), and not the same one;
// the names of all sections must pass firmwareNamesRefusal (no two models
// with one pristine copy, none whose pristine copy is another's working
// file, no name Windows cannot hold). It holds at most 2000 sections and no
// "WARNING" section.
std::string editionRefusal(const char* file, std::string_view body);
