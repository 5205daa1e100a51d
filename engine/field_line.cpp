#include "engine/field_line.h"

#include "engine/nearest_characters.h"
#include "platform/cp1252.h"

namespace {

bool isBreak(char32_t c)
{
    return c == U'\r' || c == U'\n' || c == U'\t' || c == U'\v' || c == U'\f' || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

std::string utf8(std::u32string_view text)
{
    std::string out;
    for (const char32_t c : text)
        platform::cp1252::appendUtf8(out, c);
    return out;
}

// Items joined by ", ": at most three, then "...".
std::string listed(std::u32string_view characters, bool nearest)
{
    std::string list;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (i > 0)
            list.append(", ");
        if (i == 3)
            return list.append("...");
        list.append(utf8(nearest ? nearestOf(characters[i]) : std::u32string(1, characters[i])));
    }
    return list;
}

// "L, r for Ł, ř, 🍺 left out (not on the receiver)".
std::string characterNote(const NearestText& nearest)
{
    std::string note;
    if (!nearest.changed.empty())
        note.append(listed(nearest.changed, true)).append(" for ").append(listed(nearest.changed, false));
    if (!nearest.missing.empty())
        note.append(note.empty() ? "" : ", ").append(listed(nearest.missing, false)).append(" left out");
    return note.empty() ? note : note.append(" (not on the receiver)");
}

void addNote(std::string& note, const std::string& part)
{
    note.append(note.empty() ? "" : "; ").append(part);
}

} // namespace

FieldLine fieldLine(std::u32string_view text)
{
    std::u32string printable;
    bool breaks = false, controls = false, pendingSpace = false;
    for (const char32_t c : text) {
        if (isBreak(c)) {
            // A run of breaks is one space, and none starts or ends the line.
            pendingSpace = !printable.empty();
            breaks = true;
            continue;
        }
        if (platform::cp1252::isControl(c)) {
            controls = true;
            continue;
        }
        if (pendingSpace)
            printable += U' ';
        pendingSpace = false;
        printable += c;
    }
    const NearestText nearest = nearestCharacters(printable);
    std::u32string kept = nearest.text;
    const bool cut = kept.size() > kLineCharacters;
    if (cut)
        kept.resize(kLineCharacters);

    FieldLine field;
    field.line = checkLine(kept).line;
    field.changed = kept != text;
    std::string note = characterNote(nearest);
    if (breaks)
        addNote(note, "line breaks became spaces");
    if (controls)
        addNote(note, "control characters left out");
    if (cut)
        addNote(note, "at most " + std::to_string(kLineCharacters) + " characters");
    field.note = field.changed ? note : "";
    return field;
}
