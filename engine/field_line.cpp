#include "engine/field_line.h"

#include <string>

#include "platform/cp1252.h"

namespace {

bool isBreak(char32_t c)
{
    return c == U'\r' || c == U'\n' || c == U'\t' || c == U'\v' || c == U'\f' || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

} // namespace

FieldLine fieldLine(std::u32string_view text)
{
    std::u32string kept;
    bool pendingSpace = false;
    for (const char32_t c : text) {
        if (isBreak(c)) {
            // A run of breaks is one space, and none starts or ends the line.
            pendingSpace = !kept.empty();
            continue;
        }
        if (platform::cp1252::isControl(c) || !isLineCharacter(c))
            continue;
        if (pendingSpace)
            kept += U' ';
        pendingSpace = false;
        kept += c;
    }
    if (kept.size() > kLineCharacters)
        kept.resize(kLineCharacters);
    FieldLine field;
    field.line = checkLine(kept).line;
    field.changed = kept != text;
    return field;
}
