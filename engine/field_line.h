// What a line's edit field takes of the text typed, pasted or put into it,
// so that the field shows exactly what will be written: a character that
// Windows-1252 lacks becomes its nearest (engine/nearest_characters.h) or,
// without one, is left out; line breaks and TABs become spaces; other
// control characters are left out; the text ends after kLineCharacters
// characters. Both desktop programs put every change of a field through it.
#pragma once

#include <string>
#include <string_view>

#include "engine/line_check.h"

struct FieldLine {
    CheckedLine line;     // what the field holds and the line becomes
    bool changed = false; // the text was not taken as it was
    std::string note;     // what changed, in a few words (UTF-8); "" when nothing
};

FieldLine fieldLine(std::u32string_view text);
