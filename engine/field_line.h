// What a line's edit field takes of the text typed, pasted or put into it,
// so that the field shows exactly what will be written: characters that
// Windows-1252 lacks are left out, line breaks and TABs become spaces, other
// control characters are left out, and the text ends after kLineCharacters
// characters. Both desktop programs put every change of a field through it.
#pragma once

#include <string_view>

#include "engine/line_check.h"

struct FieldLine {
    CheckedLine line;     // what the field holds and the line becomes
    bool changed = false; // the text was not taken as it was
};

FieldLine fieldLine(std::u32string_view text);
